#include "registration/error_file.h"

#include <string>

#include "core/ini_data_buffer.h"
#include "core/string_util.h"

namespace wendrix {
namespace {

enum ErrorKey : std::int32_t { kErrorCode, kErrorFile, kErrorLine, kErrorReported };

constexpr IniSchemaRow kSchema[] = {
    {L"Error", L"Error", kErrorCode, kIniUnsigned},
    {L"Error", L"File", kErrorFile, kIniRaw},
    {L"Error", L"Line", kErrorLine, kIniSigned},
    {L"Error", L"Reported", kErrorReported, kIniSigned},
};

}  // namespace

IniSchema ErrorFileSchema() noexcept { return kSchema; }

HRESULT BuildErrorFile(const ErrorReport& report, CIniData& out) {
  RETURN_IF_FAILED(out.AddSection(L"Error"));
  RETURN_IF_FAILED(out.AddUnsigned(L"Error", static_cast<std::uint32_t>(report.result), kIniAlternateForm));
  if (!report.file.empty()) {
    // Quoted, unless the text holds a quote itself: it then stands unquoted
    // where it can. A text that no form carries is left out rather than
    // lose the error with it.
    const std::wstring_view file = report.file;
    const std::uint32_t form = IniItemsWritable(kIniRaw | kIniAlternateForm, {&file, 1}) ? kIniAlternateForm : 0;
    if (IniItemsWritable(kIniRaw | form, {&file, 1})) RETURN_IF_FAILED(out.AddRaw(L"File", file, form));
  }
  if (report.line > 0) RETURN_IF_FAILED(out.AddNumber(L"Line", static_cast<std::int32_t>(report.line)));
  if (report.reported != 0) RETURN_IF_FAILED(out.AddNumber(L"Reported", static_cast<std::int32_t>(report.reported)));
  return S_OK;
}

bool ReadErrorFile(const CIniData& data, ErrorReport& report, std::wstring& file) {
  bool inError = false, found = false;
  report = ErrorReport{};
  file.clear();
  for (const IniEntry e : data.Entries()) {
    if (e.Kind() == kIniSection) {
      inError = CStringUtil::EqualsNoCase(e.NameView(), L"Error");
      continue;
    }
    if (!inError || e.Count() == 0) continue;
    switch (SchemaLookup(L"Error", e.NameView(), kSchema)) {
      case kErrorCode:
        report.result = static_cast<HRESULT>(e.UnsignedValue());
        found = true;
        break;
      case kErrorFile: file = e.Value(0); break;
      case kErrorLine: report.line = static_cast<std::uint32_t>(e.SignedValue()); break;
      case kErrorReported: report.reported = static_cast<std::uint32_t>(e.SignedValue()); break;
      default: break;
    }
  }
  report.file = file;
  return found;
}

}  // namespace wendrix

#include <string>

#include "console.h"
#include "platform/ini_file.h"

using namespace wendrix;

namespace wxcli {
namespace {

const wchar_t* KindName(std::uint32_t kind) {
  static const wchar_t* const names[] = {L"?", L"section", L"text", L"signed", L"unsigned",
                                         L"list", L"raw", L"raw-list", L"verbatim"};
  return kind < 9 ? names[kind] : names[0];
}

// Control characters are shown escaped so that every entry stays on one line.
std::wstring Printable(std::wstring_view text) {
  std::wstring out;
  for (wchar_t c : text) {
    if (c == L'\n') out += L"\\n";
    else if (c == L'\r') out += L"\\r";
    else if (c == L'\t') out += L"\\t";
    else if (c < 32) out += L"\\x" + std::to_wstring(static_cast<int>(c));
    else out.push_back(c);
  }
  return out;
}

constexpr IniSchemaRow kRawSchema[] = {{kIniAny, kIniAny, 0, kIniRawList}};

int Load(const std::wstring& path, bool raw, CIniDataBuffer& data) {
  std::uint32_t line = 0;
  const HRESULT hr = LoadIniFile(path.c_str(), data, raw ? IniSchema(kRawSchema) : IniSchema(), &line);
  if (FAILED(hr)) {
    Err(L"error " + Hex(static_cast<unsigned long>(hr)) + (line ? L" at line " + std::to_wstring(line) : L"") + L"\n");
    return 1;
  }
  return 0;
}

}  // namespace

int CommandIni(Args args) {
  const bool raw = TakeFlag(args, L"--raw");
  const bool ansi = TakeFlag(args, L"--ansi");
  if (args.size() == 2 && args[0] == L"dump") {
    CIniDataBuffer data;
    if (int rc = Load(args[1], raw, data)) return rc;
    for (IniEntry e : data.Entries()) {
      std::wstring line = std::to_wstring(e.Line()) + L"\t" + KindName(e.Kind()) +
                          (e.AlternateForm() ? L"+alt" : L"") + L"\t" + Printable(e.NameView());
      for (std::uint32_t i = 0; i < e.Count(); ++i) line += (i ? L" | " : L"\t= ") + Printable(e.ValueView(i));
      Out(line + L"\n");
    }
    return 0;
  }
  if (args.size() == 3 && args[0] == L"save") {
    CIniDataBuffer data;
    if (int rc = Load(args[1], raw, data)) return rc;
    HRESULT hr = data.Save(ansi ? 0 : kIniSaveUnicode);
    if (SUCCEEDED(hr)) hr = WriteUnicodeTextFile(args[2].c_str(), data.Text());
    if (FAILED(hr)) {
      Err(L"error " + Hex(static_cast<unsigned long>(hr)) + L"\n");
      return 1;
    }
    return 0;
  }
  Err(L"usage: wxcli ini dump FILE [--raw] | ini save FILE OUT [--raw] [--ansi]\n");
  return 2;
}

}  // namespace wxcli

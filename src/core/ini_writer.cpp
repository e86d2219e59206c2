// The INI text syntax as written by CIniDataBuffer::Save.
#include <new>

#include "core/ini_data_buffer.h"
#include "core/string_util.h"
#include "core/text_encoding.h"

namespace wendrix {
namespace {

constexpr wchar_t kHexDigits[] = L"0123456789abcdef";

void PutHex(std::wstring& out, std::uint32_t value, int minDigits) {
  wchar_t digits[8];
  int n = 0;
  do {
    digits[n++] = kHexDigits[value & 0xF];
    value >>= 4;
  } while (value != 0);
  while (n < minDigits) digits[n++] = L'0';
  while (n) out.push_back(digits[--n]);
}

class IniWriter {
 public:
  IniWriter(std::wstring& out, std::uint32_t flags, const CodePage& codePage)
      : m_out(out), m_unicode((flags & kIniSaveUnicode) != 0), m_codePage(codePage) {}

  void Write(const IniEntry& e) {
    switch (e.Kind()) {
      case kIniSection:
        m_out += L"\r\n[";
        m_out += e.NameView();
        m_out += L"]\r\n";
        break;
      case kIniSigned:
      case kIniUnsigned:
        WriteNumber(e);
        break;
      case kIniText:
      case kIniList:
      case kIniRaw:
      case kIniRawList:
        WriteItems(e);
        break;
      case kIniVerbatim:
        m_out += e.NameView();
        m_out += L"\r\n";
        break;
      default:
        break;
    }
  }

 private:
  void WriteNumber(const IniEntry& e) {
    m_out += e.NameView();
    m_out += L" = ";
    IniNumber number{};
    if (e.Count() == 0) {
      m_out += L"0";
    } else if (!ParseIniNumber(e.ValueView(0), e.Kind() == kIniSigned, &number)) {
      m_out += e.ValueView(0);  // not a number: keep what was stored
    } else if (e.AlternateForm()) {
      m_out += L"0x";
      PutHex(m_out, number.bits, 1);
    } else {
      m_out += FormatIniNumber(number.bits, e.Kind() == kIniSigned);
    }
    m_out += L"\r\n";
  }

  void WriteItems(const IniEntry& e) {
    m_out += e.NameView();
    m_out += L" = ";
    const bool escapes = e.Kind() == kIniText || e.Kind() == kIniList;
    for (std::uint32_t i = 0; i < e.Count(); ++i) {
      if (i) m_out += L", ";
      WriteItem(e.ValueView(i), escapes, e.AlternateForm());
    }
    m_out += L"\r\n";
  }

  void WriteItem(std::wstring_view item, bool escapes, bool alwaysQuoted) {
    const bool quoted = alwaysQuoted || (!item.empty() && (IsBlank(item.front()) || IsBlank(item.back()))) ||
                        item.find(L',') != std::wstring_view::npos;
    if (quoted) m_out.push_back(L'"');
    if (!escapes) {
      m_out += item;
    } else {
      for (std::size_t i = 0; i < item.size(); ++i) {
        const wchar_t c = item[i];
        const std::uint32_t unit = static_cast<std::uint32_t>(c) & 0xFFFFu;
        if (c == L'"' || c == L'\\') {
          m_out.push_back(L'\\');
          m_out.push_back(c);
        } else if (unit < 32 || (unit >= 128 && !m_unicode && !m_codePage.RoundTrips(c))) {
          // Pad to four digits when a hex digit follows, or the reader would take it too.
          const bool hexFollows = i + 1 < item.size() && HexDigitValue(item[i + 1]) >= 0;
          m_out += L"\\x";
          PutHex(m_out, unit, hexFollows ? 4 : 1);
        } else {
          m_out.push_back(c);
        }
      }
    }
    if (quoted) m_out.push_back(L'"');
  }

  std::wstring& m_out;
  bool m_unicode;
  const CodePage& m_codePage;
};

}  // namespace

HRESULT CIniDataBuffer::Save(std::uint32_t flags) {
  try {
    std::wstring text;
    IniWriter writer(text, flags, SystemCodePage(m_codePage));
    for (IniEntry e : Entries()) writer.Write(e);
    m_text = std::move(text);
    return S_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

}  // namespace wendrix

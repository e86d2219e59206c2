// The INI text syntax as read by CIniDataBuffer::Load.
#include <new>

#include "core/ini_data_buffer.h"
#include "core/string_util.h"
#include "core/text_encoding.h"

namespace wendrix {
namespace {

constexpr bool IsTokenChar(wchar_t c) noexcept {
  return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z') || (c >= L'0' && c <= L'9') || c == L'.' ||
         c == L'-' || c == L'_' || c == L'[' || c == L']';
}
constexpr bool EndsLine(wchar_t c) noexcept { return c == L'\r' || c == L'\n' || c == L';'; }
constexpr bool EndsUnquotedItem(wchar_t c) noexcept { return EndsLine(c) || c == L','; }

class SyntaxError {};

// One pass over the text. Entries go straight into the entry list; the
// current block is abandoned when a line turns out to be malformed.
class IniReader {
 public:
  IniReader(std::wstring_view text, IniSchema schema, CStringList& entries, std::uint32_t& line)
      : m_p(text.data()), m_end(text.data() + text.size()), m_schema(schema), m_entries(entries), m_line(line) {}

  void Run() {
    for (;;) {
      SkipSpaceAndComments();
      if (AtEnd()) return;
      const wchar_t* start = m_p++;
      while (!AtEnd() && IsTokenChar(*m_p)) ++m_p;
      const std::wstring_view token(start, static_cast<std::size_t>(m_p - start));
      if (token.size() >= 2 && token.front() == L'[' && token.back() == L']') {
        ReadSection(token.substr(1, token.size() - 2));
      } else {
        ReadKey(token);
      }
    }
  }

 private:
  bool AtEnd() const noexcept { return m_p == m_end; }
  wchar_t Peek() const noexcept { return AtEnd() ? L'\0' : *m_p; }

  // Consumes one character, counting lines.
  wchar_t Take() noexcept {
    const wchar_t c = *m_p++;
    if (c == L'\n') ++m_line;
    return c;
  }

  void SkipBlanks() noexcept {
    while (!AtEnd() && IsBlank(*m_p)) ++m_p;
  }

  void SkipSpaceAndComments() noexcept {
    while (!AtEnd()) {
      const wchar_t c = *m_p;
      if (IsBlank(c) || c == L'\r' || c == L'\n') {
        Take();
      } else if (c == L';') {
        while (!AtEnd() && *m_p != L'\n') ++m_p;
      } else {
        return;
      }
    }
  }

  void SkipRestOfLine() noexcept {
    while (!AtEnd() && !EndsLine(*m_p)) Take();
  }

  void ReadSection(std::wstring_view name) {
    m_entries.Append(kIniSection, m_line, {name});
    m_section.assign(name);
    m_inSection = true;
  }

  void ReadKey(std::wstring_view name) {
    const IniSchemaRow* row = FindSchemaRow(m_inSection ? m_section.c_str() : nullptr, name, m_schema);
    std::uint32_t kind = row ? static_cast<std::uint32_t>(row->kind) : kIniText;
    if (kind < kIniText || kind > kIniRawList) kind = kIniText;

    SkipBlanks();
    if (Peek() != L'=') throw SyntaxError();
    ++m_p;
    SkipBlanks();

    m_entries.Open(kind, m_line);
    m_entries.Put(name);
    m_entries.EndString();
    switch (kind) {
      case kIniList:
      case kIniRawList:
        ReadList(kind == kIniList);
        break;
      case kIniSigned:
      case kIniUnsigned:
        ReadNumber(kind == kIniSigned);
        SkipRestOfLine();
        break;
      default:
        ReadItemInto(kind == kIniText);
        m_entries.EndString();
        SkipRestOfLine();
        break;
    }
    m_entries.Close();
  }

  void ReadList(bool escapes) {
    while (!AtEnd() && !EndsLine(*m_p)) {
      ReadItemInto(escapes);
      m_entries.EndString();
      SkipBlanks();
      if (Peek() == L',') {
        ++m_p;
        SkipBlanks();
      }
    }
  }

  void ReadNumber(bool isSigned) {
    m_scratch.clear();
    ReadItem(true, m_scratch);
    IniNumber number{};
    if (!ParseIniNumber(m_scratch, isSigned, &number)) throw SyntaxError();
    // A number written in hexadecimal is written back in hexadecimal.
    if (number.hex) m_entries.AddTagBits(kIniAlternateForm);
    m_entries.Put(FormatIniNumber(number.bits, isSigned));
    m_entries.EndString();
  }

  void ReadItemInto(bool escapes) {
    m_scratch.clear();
    ReadItem(escapes, m_scratch);
    m_entries.Put(m_scratch);
  }

  // Reads one value item at the cursor into `out`.
  void ReadItem(bool escapes, std::wstring& out) {
    if (Peek() == L'"') {
      ++m_p;
      while (!AtEnd() && *m_p != L'"') {
        if (escapes && *m_p == L'\\') {
          if (!ReadEscape(out)) return;
        } else {
          out.push_back(Take());
        }
      }
      if (!AtEnd()) ++m_p;  // the closing quote
      return;
    }
    while (!AtEnd() && !EndsUnquotedItem(*m_p)) {
      if (IsBlank(*m_p) && BlanksEndItem()) return;
      if (escapes && *m_p == L'\\') {
        if (!ReadEscape(out)) return;
      } else {
        out.push_back(Take());
      }
    }
  }

  // True when the blanks at the cursor are followed only by the end of the item.
  bool BlanksEndItem() const noexcept {
    const wchar_t* q = m_p;
    while (q != m_end && IsBlank(*q)) ++q;
    return q == m_end || EndsUnquotedItem(*q);
  }

  // Decodes the escape at the cursor (a backslash). False when the text ends
  // right after the backslash, which ends the item.
  bool ReadEscape(std::wstring& out) {
    ++m_p;
    if (AtEnd()) return false;
    const wchar_t c = Take();
    switch (c) {
      case L'"': case L'\'': case L'?': case L'\\': out.push_back(c); return true;
      case L'a': out.push_back(L'\a'); return true;
      case L'b': out.push_back(L'\b'); return true;
      case L'f': out.push_back(L'\f'); return true;
      case L'n': out.push_back(L'\n'); return true;
      case L'r': out.push_back(L'\r'); return true;
      case L't': out.push_back(L'\t'); return true;
      case L'v': out.push_back(L'\v'); return true;
      case L'x':
      case L'X': {
        std::uint32_t value = 0;
        int digits = 0;
        for (; digits < 4 && !AtEnd() && HexDigitValue(*m_p) >= 0; ++digits) value = value * 16 + HexDigitValue(*m_p++);
        out.push_back(digits ? static_cast<wchar_t>(value) : c);
        return true;
      }
      default:
        if (c >= L'0' && c <= L'7') {
          std::uint32_t value = static_cast<std::uint32_t>(c - L'0');
          for (int digits = 1; digits < 6 && !AtEnd() && *m_p >= L'0' && *m_p <= L'7'; ++digits)
            value = value * 8 + static_cast<std::uint32_t>(*m_p++ - L'0');
          // A code unit holds 16 bits; larger octal values keep their low bits.
          out.push_back(static_cast<wchar_t>(value & 0xFFFFu));
        }
        return true;  // any other character is dropped with its backslash
    }
  }

  const wchar_t* m_p;
  const wchar_t* const m_end;
  IniSchema m_schema;
  CStringList& m_entries;
  std::uint32_t& m_line;
  std::wstring m_section;
  bool m_inSection = false;
  std::wstring m_scratch;
};

}  // namespace

void CIniDataBuffer::SetText(std::wstring_view text) { m_text.assign(text); }

HRESULT CIniDataBuffer::Load(IniSchema schema) {
  BeginLoad();
  // The text ends at its first zero character, as a zero-terminated text would.
  const std::wstring_view text(m_text.c_str());
  try {
    IniReader(text, schema, m_entries, m_line).Run();
    return S_OK;
  } catch (const SyntaxError&) {
    m_entries.Abandon();
    m_error = true;
    return kSyntaxError;
  } catch (const std::bad_alloc&) {
    m_entries.Abandon();
    m_error = true;
    return E_OUTOFMEMORY;
  }
}

HRESULT LoadIniText(std::string_view bytes, CIniDataBuffer& target, IniSchema schema, std::uint32_t* errorLine) {
  if (errorLine) *errorLine = 0;
  try {
    std::wstring text = DecodeTextFile(bytes, SystemCodePage(target.CodePageNumber()));
    if (text.starts_with(L"<?xml ")) return kXmlNotIni;
    target.SetText(std::move(text));
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  const HRESULT hr = target.Load(schema);
  if (FAILED(hr) && errorLine) *errorLine = target.ErrorLine();
  return hr;
}

}  // namespace wendrix

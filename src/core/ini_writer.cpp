// The INI text syntax as written by CIniDataBuffer::Save.
//
// The files written here are read by other processes, and many of their
// names and values come from outside: fetched data files, registrations,
// addresses. Whatever is written must therefore read back as exactly the
// entries that were saved. A value that holds a line break, a quote or a
// comment must never become a key or a section of its own. Each entry is
// checked against what the reader would make of its text; one that the
// syntax cannot carry fails the whole save before any text is replaced.
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

constexpr bool IsLineEnd(wchar_t c) noexcept { return c == L'\r' || c == L'\n'; }

bool IsListKind(std::uint32_t kind) noexcept { return kind == kIniList || kind == kIniRawList; }

// The reader takes "[" name "]" for a section only when every character in
// between continues the token.
bool SectionNameWritable(std::wstring_view name) noexcept {
  for (wchar_t c : name)
    if (!IsIniNameChar(c)) return false;
  return true;
}

// A key's name is read as one token: any first character that does not end
// or comment out the line, then name characters. A token in brackets would
// be read as a section.
bool KeyNameWritable(std::wstring_view name) noexcept {
  if (name.empty()) return false;
  const wchar_t first = name.front();
  if (IsBlank(first) || IsLineEnd(first) || first == L';' || first == L'\0') return false;
  for (wchar_t c : name.substr(1))
    if (!IsIniNameChar(c)) return false;
  return !(name.size() >= 2 && first == L'[' && name.back() == L']');
}

// A verbatim line is written as it stands, so only a line that reads as
// nothing at all may be: a blank line or a comment.
bool VerbatimWritable(std::wstring_view line) noexcept {
  if (line.find_first_of(std::wstring_view(L"\r\n\0", 3)) != std::wstring_view::npos) return false;
  const std::size_t text = line.find_first_not_of(L" \t");
  return text == std::wstring_view::npos || line[text] == L';';
}

// Whether an item must be enclosed in double quotes to read back whole. An
// unquoted item ends at a ",", ";" or line end and loses blanks at either
// end; an empty last item of a list is no item at all unless quoted. A raw
// item has no escapes for its line ends or a leading quote either.
bool NeedsQuotes(std::wstring_view item, bool raw, bool alwaysQuoted, bool lastOfList) noexcept {
  if (alwaysQuoted) return true;
  if (item.empty()) return lastOfList;
  if (IsBlank(item.front()) || IsBlank(item.back())) return true;
  if (item.find_first_of(raw ? L",;\r\n" : L",;") != std::wstring_view::npos) return true;
  return raw && item.front() == L'"';
}

// A raw item is written as it stands: a quoted one ends at its first quote,
// and the text read back ends at its first zero character.
bool RawItemWritable(std::wstring_view item, bool quoted) noexcept {
  if (item.find(L'\0') != std::wstring_view::npos) return false;
  return !quoted || item.find(L'"') == std::wstring_view::npos;
}

class IniWriter {
 public:
  IniWriter(std::wstring& out, std::uint32_t flags, const CodePage& codePage)
      : m_out(out), m_unicode((flags & kIniSaveUnicode) != 0), m_codePage(codePage) {}

  // False, with part of the entry written, when `e` cannot be written so
  // that it reads back the same.
  bool Write(const IniEntry& e) {
    switch (e.Kind()) {
      case kIniSection:
        if (!SectionNameWritable(e.NameView())) return false;
        m_out += L"\r\n[";
        m_out += e.NameView();
        m_out += L"]\r\n";
        return true;
      case kIniSigned:
      case kIniUnsigned:
        return WriteNumber(e);
      case kIniText:
      case kIniList:
      case kIniRaw:
      case kIniRawList:
        return WriteItems(e);
      case kIniVerbatim:
        if (!VerbatimWritable(e.NameView())) return false;
        m_out += e.NameView();
        m_out += L"\r\n";
        return true;
      default:
        return true;  // no text form; skipped
    }
  }

 private:
  bool WriteNumber(const IniEntry& e) {
    IniNumber number{};
    if (!KeyNameWritable(e.NameView()) || e.Count() != 1 ||
        !ParseIniNumber(e.ValueView(0), e.Kind() == kIniSigned, &number))
      return false;
    m_out += e.NameView();
    m_out += L" = ";
    if (e.AlternateForm()) {
      // The reader clamps a signed number, so "0xffffffff" would come back as
      // 2147483647: a negative one keeps its sign before the hexadecimal digits.
      std::uint32_t magnitude = number.bits;
      if (e.Kind() == kIniSigned && static_cast<std::int32_t>(number.bits) < 0) {
        m_out.push_back(L'-');
        magnitude = 0u - number.bits;
      }
      m_out += L"0x";
      PutHex(m_out, magnitude, 1);
    } else {
      m_out += FormatIniNumber(number.bits, e.Kind() == kIniSigned);
    }
    m_out += L"\r\n";
    return true;
  }

  bool WriteItems(const IniEntry& e) {
    const bool list = IsListKind(e.Kind());
    if (!KeyNameWritable(e.NameView()) || (!list && e.Count() != 1)) return false;
    const bool escapes = e.Kind() == kIniText || e.Kind() == kIniList;
    m_out += e.NameView();
    m_out += L" = ";
    for (std::uint32_t i = 0; i < e.Count(); ++i) {
      const std::wstring_view item = e.ValueView(i);
      const bool quoted = NeedsQuotes(item, !escapes, e.AlternateForm(), list && i + 1 == e.Count());
      if (!escapes && !RawItemWritable(item, quoted)) return false;
      if (i) m_out += L", ";
      if (quoted) m_out.push_back(L'"');
      if (escapes) {
        WriteEscaped(item);
      } else {
        m_out += item;
      }
      if (quoted) m_out.push_back(L'"');
    }
    m_out += L"\r\n";
    return true;
  }

  void WriteEscaped(std::wstring_view item) {
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

  std::wstring& m_out;
  bool m_unicode;
  const CodePage& m_codePage;
};

}  // namespace

bool IniItemsWritable(std::uint32_t kindWord, std::span<const std::wstring_view> items) noexcept {
  const std::uint32_t kind = kindWord & kIniKindMask;
  if (kind < kIniText || kind > kIniRawList) return items.empty();
  if (!IsListKind(kind) && items.size() != 1) return false;
  if (kind == kIniSigned || kind == kIniUnsigned) return ParseIniNumber(items[0], kind == kIniSigned, nullptr);
  if (kind != kIniRaw && kind != kIniRawList) return true;
  const bool alwaysQuoted = (kindWord & kIniAlternateForm) != 0;
  for (std::size_t i = 0; i < items.size(); ++i) {
    const bool last = kind == kIniRawList && i + 1 == items.size();
    if (!RawItemWritable(items[i], NeedsQuotes(items[i], true, alwaysQuoted, last))) return false;
  }
  return true;
}

HRESULT CIniDataBuffer::Save(std::uint32_t flags) {
  try {
    std::wstring text;
    IniWriter writer(text, flags, SystemCodePage(m_codePage));
    for (IniEntry e : Entries())
      if (!writer.Write(e)) return kIniUnwritable;
    m_text = std::move(text);
    return S_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

}  // namespace wendrix

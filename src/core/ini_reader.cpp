// The INI text syntax as read by CIniDataBuffer::Load.
#include <algorithm>
#include <new>
#include <optional>
#include <vector>

#include "core/ini_data_buffer.h"
#include "core/string_util.h"
#include "core/text_encoding.h"

namespace wendrix {
namespace {

constexpr bool EndsLine(wchar_t c) noexcept { return c == L'\r' || c == L'\n' || c == L';'; }
constexpr bool EndsUnquotedItem(wchar_t c) noexcept { return EndsLine(c) || c == L','; }

class SyntaxError {};

// One pass over the text. Entries go straight into the entry list; the
// current block is abandoned when a line turns out to be malformed.
//
// Given a second schema, the pass also finds out whether that schema would
// read the text alike. Schemas differ only in the kind a key is read as, so
// where the two kinds of a key differ its value is read a second time, the
// other way, without keeping it: the two readings must end at the same place
// (the line counter follows from the place) or fail alike. Past the first
// difference the check stops; the rest of the text could be read otherwise.
class IniReader {
 public:
  // Without another schema the schema is compared with itself, which reads
  // every key alike.
  IniReader(std::wstring_view text, IniSchema schema, IniSchema other, CStringList& entries, std::uint32_t& line)
      : m_p(text.data()), m_end(text.data() + text.size()), m_rows(schema, other), m_entries(entries), m_line(line) {}

  // False once the other schema is known to read the text differently.
  bool OtherReadsAlike() const noexcept { return m_alike; }

  // Reads the whole text; false when it stops at a syntax error, with the
  // line counter at its line.
  bool Run() {
    try {
      for (;;) {
        SkipSpaceAndComments();
        if (AtEnd()) return true;
        const wchar_t* start = m_p++;
        while (!AtEnd() && IsIniNameChar(*m_p)) ++m_p;
        const std::wstring_view token(start, static_cast<std::size_t>(m_p - start));
        if (token.size() >= 2 && token.front() == L'[' && token.back() == L']') {
          ReadSection(token.substr(1, token.size() - 2));
        } else {
          ReadKey(token);
        }
      }
    } catch (const SyntaxError&) {
      return false;
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
    m_rows.Select(name);
    m_entries.Append(kIniSection, m_line, m_rows.SectionId(), {name});
  }

  void ReadKey(std::wstring_view name) {
    std::uint32_t otherKind = 0;
    const IniSchemaRow* row = m_rows.Find(name, otherKind);
    const std::uint32_t kind = IniReadKind(row);

    SkipBlanks();
    if (Peek() != L'=') throw SyntaxError();  // whatever the kind
    ++m_p;
    SkipBlanks();

    std::optional<Ending> other;
    if (m_alike && otherKind != kind && !(IsTextKind(kind) && IsTextKind(otherKind) && PlainValueAhead()))
      other = ReadAside(otherKind);

    m_entries.Open(kind, m_line, row ? row->id : -1);
    m_entries.Put(name);
    m_entries.EndString();
    EntrySink sink{m_entries};
    try {
      ReadValue(kind, sink);
    } catch (const SyntaxError&) {
      if (other && !(other->failed && other->line == m_line)) m_alike = false;
      throw;
    }
    if (other && (other->failed || other->end != m_p)) m_alike = false;
    m_entries.Close();
  }

  static constexpr bool IsTextKind(std::uint32_t kind) noexcept {
    return kind == kIniText || kind == kIniRaw || kind == kIniList || kind == kIniRawList;
  }

  // Whether the value at the cursor holds no quote and no backslash before
  // the end of its line. Texts and lists, escaped or raw, then all end it at
  // that end, so a second reading could only agree: most values of a
  // publisher file are such, and reading each twice would cost a tenth of
  // the parse.
  bool PlainValueAhead() const noexcept {
    for (const wchar_t* p = m_p; p != m_end && !EndsLine(*p); ++p)
      if (*p == L'"' || *p == L'\\') return false;
    return true;
  }

  // Where reading a value another way ended: its place, or its failure and line.
  struct Ending {
    const wchar_t* end;
    std::uint32_t line;
    bool failed;
  };

  // Reads the value at the cursor as `kind` without keeping it, and goes back.
  Ending ReadAside(std::uint32_t kind) {
    const wchar_t* start = m_p;
    const std::uint32_t line = m_line;
    Ending ending{nullptr, 0, false};
    try {
      DiscardSink sink;
      ReadValue(kind, sink);
      ending.end = m_p;
    } catch (const SyntaxError&) {
      ending = Ending{nullptr, m_line, true};
    }
    m_p = start;
    m_line = line;
    return ending;
  }

  // Where a value goes: into the entry list, or nowhere.
  struct EntrySink {
    CStringList& list;
    void Put(wchar_t c) { list.Put(c); }
    void Put(const wchar_t* from, const wchar_t* to) { list.Put(std::wstring_view(from, static_cast<std::size_t>(to - from))); }
    void EndItem() { list.EndString(); }
    void PutNumber(const IniNumber& number, bool isSigned) {
      // A number written in hexadecimal is written back in hexadecimal.
      if (number.hex) list.AddTagBits(kIniAlternateForm);
      list.Put(FormatIniNumber(number.bits, isSigned));
      list.EndString();
    }
  };
  struct DiscardSink {
    void Put(wchar_t) noexcept {}
    void Put(const wchar_t*, const wchar_t*) noexcept {}
    void EndItem() noexcept {}
    void PutNumber(const IniNumber&, bool) noexcept {}
  };
  // A number's item is looked at before it is stored.
  struct StringSink {
    std::wstring& text;
    void Put(wchar_t c) { text.push_back(c); }
    void Put(const wchar_t* from, const wchar_t* to) { text.append(from, to); }
  };

  // Reads the value at the cursor (after the equals sign and blanks) as `kind`.
  template <typename Sink>
  void ReadValue(std::uint32_t kind, Sink& out) {
    switch (kind) {
      case kIniList:
      case kIniRawList:
        while (!AtEnd() && !EndsLine(*m_p)) {
          ReadItem(kind == kIniList, out);
          out.EndItem();
          SkipBlanks();
          if (Peek() == L',') {
            ++m_p;
            SkipBlanks();
          }
        }
        break;
      case kIniSigned:
      case kIniUnsigned: {
        m_scratch.clear();
        StringSink text{m_scratch};
        ReadItem(true, text);
        IniNumber number{};
        if (!ParseIniNumber(m_scratch, kind == kIniSigned, &number)) throw SyntaxError();
        out.PutNumber(number, kind == kIniSigned);
        SkipRestOfLine();
        break;
      }
      default:
        ReadItem(kind == kIniText, out);
        out.EndItem();
        SkipRestOfLine();
        break;
    }
  }

  // Reads one value item at the cursor. Plain characters are copied in runs;
  // only escapes, line feeds and blanks are looked at one by one.
  template <typename Sink>
  void ReadItem(bool escapes, Sink& out) {
    if (Peek() == L'"') {
      ++m_p;
      for (;;) {
        const wchar_t* run = m_p;
        while (m_p != m_end && *m_p != L'"' && *m_p != L'\\' && *m_p != L'\n') ++m_p;
        out.Put(run, m_p);
        if (AtEnd()) return;
        if (*m_p == L'"') {
          ++m_p;  // the closing quote
          return;
        }
        if (*m_p == L'\n' || !escapes) {
          out.Put(Take());
        } else if (!ReadEscape(out)) {
          return;
        }
      }
    }
    for (;;) {
      const wchar_t* run = m_p;
      while (m_p != m_end && !EndsUnquotedItem(*m_p) && !IsBlank(*m_p) && *m_p != L'\\') ++m_p;
      out.Put(run, m_p);
      if (AtEnd() || EndsUnquotedItem(*m_p)) return;
      if (IsBlank(*m_p)) {
        // Blanks that only precede the end of the item are not part of it.
        const wchar_t* blanks = m_p;
        while (m_p != m_end && IsBlank(*m_p)) ++m_p;
        if (m_p == m_end || EndsUnquotedItem(*m_p)) {
          m_p = blanks;
          return;
        }
        out.Put(blanks, m_p);
      } else if (!escapes) {
        out.Put(Take());
      } else if (!ReadEscape(out)) {
        return;
      }
    }
  }

  // Decodes the escape at the cursor (a backslash). False when the text ends
  // right after the backslash, which ends the item.
  template <typename Sink>
  bool ReadEscape(Sink& out) {
    ++m_p;
    if (AtEnd()) return false;
    const wchar_t c = Take();
    switch (c) {
      case L'"': case L'\'': case L'?': case L'\\': out.Put(c); return true;
      case L'a': out.Put(L'\a'); return true;
      case L'b': out.Put(L'\b'); return true;
      case L'f': out.Put(L'\f'); return true;
      case L'n': out.Put(L'\n'); return true;
      case L'r': out.Put(L'\r'); return true;
      case L't': out.Put(L'\t'); return true;
      case L'v': out.Put(L'\v'); return true;
      case L'x':
      case L'X': {
        std::uint32_t value = 0;
        int digits = 0;
        for (; digits < 4 && !AtEnd() && HexDigitValue(*m_p) >= 0; ++digits) value = value * 16 + HexDigitValue(*m_p++);
        out.Put(digits ? static_cast<wchar_t>(value) : c);
        return true;
      }
      default:
        if (c >= L'0' && c <= L'7') {
          std::uint32_t value = static_cast<std::uint32_t>(c - L'0');
          for (int digits = 1; digits < 6 && !AtEnd() && *m_p >= L'0' && *m_p <= L'7'; ++digits)
            value = value * 8 + static_cast<std::uint32_t>(*m_p++ - L'0');
          // A code unit holds 16 bits; larger octal values keep their low bits.
          out.Put(static_cast<wchar_t>(value & 0xFFFFu));
        }
        return true;  // any other character is dropped with its backslash
    }
  }

  const wchar_t* m_p;
  const wchar_t* const m_end;
  SectionRows m_rows;  // the rows of the current section, and how the other schema reads its keys
  bool m_alike = true;  // the other schema reads the text alike so far
  CStringList& m_entries;
  std::uint32_t& m_line;
  std::wstring m_scratch;
};

}  // namespace

void CIniDataBuffer::SetText(std::wstring_view text) { m_text.assign(text); }

HRESULT CIniDataBuffer::Load(IniSchema schema) { return Parse(m_text, schema, schema, nullptr); }

HRESULT CIniDataBuffer::LoadText(std::wstring_view text, IniSchema schema) {
  return Parse(text, schema, schema, nullptr);
}

HRESULT CIniDataBuffer::LoadText(std::wstring_view text, IniSchema schema, IniSchema other, bool& alike) {
  return Parse(text, schema, other, &alike);
}

HRESULT CIniDataBuffer::Parse(std::wstring_view text, IniSchema schema, IniSchema other, bool* alike) {
  BeginLoad();
  if (alike) *alike = false;
  // The text ends at its first zero character, as a zero-terminated text would.
  text = text.substr(0, text.find(L'\0'));
  try {
    // Entries take about a line each and their strings no more characters
    // than the text plus terminators: reserve that much up front (a hint
    // only; the lists still grow when a line holds more).
    const std::size_t lines = static_cast<std::size_t>(std::count(text.begin(), text.end(), L'\n')) + 1;
    m_entries.Reserve(text.size() + 2 * lines, 2 * lines, lines);
    IniReader reader(text, schema, other, m_entries, m_line);
    const bool read = reader.Run();
    // A syntax error that the other schema meets alike is part of reading alike.
    if (alike) *alike = reader.OtherReadsAlike();
    if (read) return S_OK;
    m_entries.Abandon();
    m_error = true;
    return kInvalidData;
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

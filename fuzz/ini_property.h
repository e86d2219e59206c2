#pragma once
// The properties every INI input must keep, shared by the fuzz targets and
// the regression test that replays the inputs the fuzzers once found.
//
// CheckIniProperty: the first byte picks how keys are read (texts, lists,
// numbers, raw texts or a mix); the rest is the file. Loading may fail with a
// syntax error but must never crash; whatever loaded must save, and the saved
// text must load again into exactly the same entries.
//
// Where the reader says that a second schema reads the file alike, reading
// it with that schema alone must give the same result, error line, entries,
// names and lines, and the same values wherever the two read a key as the
// same kind: a publisher file's header is read that way.
//
// CheckIniRoundTrip: entries built from the bytes (any names and values,
// line breaks, quotes, brackets and zeros included) are either refused by
// Save as a whole, with the text left as it was, or saved and loaded back as
// exactly the same entries. Entries that Save takes one by one must also
// save together, and entries that obviously fit the syntax are never refused.
#include <cstddef>
#include <cstdint>
#include <list>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/ini_data_buffer.h"
#include "core/string_util.h"
#include "core/text_encoding.h"

namespace wendrix::fuzz {

inline constexpr IniSchemaRow kTextSchema[] = {{kIniAny, kIniAny, 0, kIniText}};
inline constexpr IniSchemaRow kListSchema[] = {{kIniAny, kIniAny, 0, kIniList}};
inline constexpr IniSchemaRow kNumberSchema[] = {{kIniAny, L"Size", 0, kIniUnsigned}, {kIniAny, kIniAny, 1, kIniSigned}};
inline constexpr IniSchemaRow kRawSchema[] = {{kIniAny, kIniAny, 0, kIniRawList}};
inline constexpr IniSchemaRow kMixedSchema[] = {
    {L"Item", L"Action", 0, kIniList}, {kIniAny, L"URL", 1, kIniRaw},     {kIniAny, L"Bytes", 2, kIniUnsigned},
    {nullptr, L"Count", 3, kIniSigned}, {kIniAny, L"Paths", 4, kIniRawList}, {kIniAny, kIniAny, 5, kIniText}};

// Whether two entries are the same: kind, name and values; numbers by their
// value and written form (decimal or hexadecimal).
inline bool SameEntry(const IniEntry& a, const IniEntry& b) {
  if (a.Kind() != b.Kind() || a.NameView() != b.NameView() || a.Count() != b.Count()) return false;
  const bool number = a.Kind() == kIniSigned || a.Kind() == kIniUnsigned;
  if (number && a.AlternateForm() != b.AlternateForm()) return false;
  for (std::uint32_t i = 0; i < a.Count(); ++i) {
    if (number) {
      IniNumber x{}, y{};
      const bool isSigned = a.Kind() == kIniSigned;
      if (!ParseIniNumber(a.ValueView(i), isSigned, &x) || !ParseIniNumber(b.ValueView(i), isSigned, &y) ||
          x.bits != y.bits)
        return false;
    } else if (a.ValueView(i) != b.ValueView(i)) {
      return false;
    }
  }
  return true;
}

inline bool ReadsAlikeAsSaid(std::string_view bytes, IniSchema schema, IniSchema other) {
  const std::wstring text = DecodeTextFile(bytes, SystemCodePage(kThreadAnsiCodePage));
  CIniDataBuffer both, alone;
  bool alike = false;
  const HRESULT hr = both.LoadText(text, schema, other, alike);
  if (!alike) return true;
  if (alone.LoadText(text, other) != hr || alone.ErrorLine() != both.ErrorLine() ||
      alone.EntryCount() != both.EntryCount())
    return false;
  for (std::size_t i = 0; i < both.EntryCount(); ++i) {
    const IniEntry a = both.Entry(i), b = alone.Entry(i);
    if (a.NameView() != b.NameView() || a.Line() != b.Line()) return false;
    if (a.Kind() == b.Kind() && !SameEntry(a, b)) return false;
  }
  return true;
}

// Returns false when the property is broken (the fuzz target then aborts).
inline bool CheckIniProperty(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return true;
  const unsigned variant = data[0] % 5;
  static const IniSchema schemas[] = {kTextSchema, kListSchema, kNumberSchema, kRawSchema, kMixedSchema};
  const IniSchema schema = schemas[variant];
  const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
  // The other schema from the first byte's remaining bits: each of the others.
  if (!ReadsAlikeAsSaid(bytes, schema, schemas[(variant + 1 + data[0] / 5 % 4) % 5])) return false;

  CIniDataBuffer data1;
  std::uint32_t errorLine = 0;
  const HRESULT loaded = LoadIniText(bytes, data1, schema, &errorLine);
  if (FAILED(loaded) && loaded != kInvalidData && loaded != kXmlNotIni) return false;
  if (loaded == kInvalidData && errorLine == 0) return false;
  for (std::uint32_t flags : {0u, kIniSaveUnicode}) {
    if (FAILED(data1.Save(flags))) return false;
    CIniDataBuffer data2;
    data2.SetText(data1.Text());
    if (FAILED(data2.Load(schema))) return false;
    if (data2.EntryCount() != data1.EntryCount()) return false;
    for (std::size_t i = 0; i < data1.EntryCount(); ++i)
      if (!SameEntry(data1.Entry(i), data2.Entry(i))) return false;
  }
  return true;
}

// Entries of any kind word, as the round-trip property builds them.
class FuzzIniBuffer : public CIniDataBuffer {
 public:
  using CIniData::AddEntry;
};

// The values of an entry, as AddEntry takes them.
inline std::vector<std::wstring_view> ValuesOf(const IniEntry& e) {
  std::vector<std::wstring_view> values;
  for (std::uint32_t i = 0; i < e.Count(); ++i) values.push_back(e.ValueView(i));
  return values;
}

// Names as schema rows compare them.
inline std::wstring FoldName(std::wstring_view name) {
  std::wstring folded(name);
  for (wchar_t& c : folded) c = CStringUtil::FoldAscii(c);
  return folded;
}

// Reads entries from fuzz bytes. Byte 0: bit 0 asks Save for Unicode output.
// Then each entry: an operation byte (kind = low 4 bits mod 10, so 0 and 9
// are kinds Save skips; 0x10 the alternate form; 0x20 a number given as four
// bytes of value rather than as text), a name, and its values: one for texts,
// raw texts, numbers and skipped kinds, a count byte (mod 8) and that many for
// lists, none for sections and verbatim lines. A text is a length byte and
// that many code units: bytes below 0x80 stand for themselves, 0x80-0xEF for
// one of the characters the syntax cares about, 0xF0-0xFF for the code unit
// in the next two bytes.
//
// A schema reads each key of a section as one kind, so a key met again in
// the same section (names folded as the schema folds them) keeps the kind it
// was first given.
class EntryReader {
 public:
  EntryReader(const std::uint8_t* data, std::size_t size) : m_p(data), m_end(data + size) {}

  bool AtEnd() const noexcept { return m_p == m_end; }

  void AddEntry(FuzzIniBuffer& out) {
    const std::uint8_t op = Byte();
    std::uint32_t kind = (op & 0x0Fu) % 10u;
    const std::wstring name = Text();
    if (kind == kIniSection) {
      m_section = FoldName(name);
    } else if (kind >= kIniText && kind <= kIniRawList) {
      kind = m_kinds.try_emplace(std::make_pair(m_section, FoldName(name)), kind).first->second;
    }
    std::vector<std::wstring> values;
    if ((kind == kIniSigned || kind == kIniUnsigned) && (op & 0x20u)) {
      std::uint32_t bits = 0;
      for (int i = 0; i < 4; ++i) bits = bits << 8 | Byte();
      values.push_back(FormatIniNumber(bits, kind == kIniSigned));
    } else if (kind == kIniList || kind == kIniRawList) {
      for (std::size_t n = Byte() % 8u; n; --n) values.push_back(Text());
    } else if (kind != kIniSection && kind != kIniVerbatim) {
      values.push_back(Text());
    }
    const std::vector<std::wstring_view> views(values.begin(), values.end());
    out.AddEntry(kind | ((op & 0x10u) ? kIniAlternateForm : 0u), name, views);
  }

 private:
  std::uint8_t Byte() noexcept { return AtEnd() ? 0 : *m_p++; }

  std::wstring Text() {
    std::wstring text;
    for (std::size_t n = Byte(); n && !AtEnd(); --n) text.push_back(Unit());
    return text;
  }

  wchar_t Unit() noexcept {
    static constexpr wchar_t kSpecial[] = {L'\r', L'\n', L'"',    L'\\',   L'[',    L']',    L';',    L',',
                                           L'=',  L' ',  L'\t',   L'\0',   L'x',    L'0',    0x00E9,  0x4E2D,
                                           0xD800, 0xDFFF, 0xFFFF, 0x0080, 0x0100, L'\'', L'a', L'.'};
    const std::uint8_t b = Byte();
    if (b < 0x80) return static_cast<wchar_t>(b);
    if (b < 0xF0) return kSpecial[(b - 0x80u) % std::size(kSpecial)];
    const std::uint8_t hi = Byte();
    return static_cast<wchar_t>(hi << 8 | Byte());
  }

  const std::uint8_t* m_p;
  const std::uint8_t* m_end;
  std::optional<std::wstring> m_section;  // none before the first section
  std::map<std::pair<std::optional<std::wstring>, std::wstring>, std::uint32_t> m_kinds;
};

// Names and values that plainly fit the syntax: names of letters, digits,
// "." "-" "_", texts of anything, raw items without quotes or zeros, numbers
// as formatted, comments without line ends.
inline bool ObviouslyWritable(const IniEntry& e) {
  const auto plainName = [](std::wstring_view name, bool key) {
    if (key && name.empty()) return false;
    for (wchar_t c : name)
      if (!((c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L'.' ||
            c == L'-' || c == L'_'))
        return false;
    return true;
  };
  switch (e.Kind()) {
    case kIniSection: return plainName(e.NameView(), false);
    case kIniVerbatim: {
      const std::wstring_view line = e.NameView();
      return line.starts_with(L';') && line.find_first_of(std::wstring_view(L"\r\n\0", 3)) == std::wstring_view::npos;
    }
    case kIniSigned:
    case kIniUnsigned: {
      const bool isSigned = e.Kind() == kIniSigned;
      return plainName(e.NameView(), true) &&
             e.ValueView(0) == FormatIniNumber(isSigned ? static_cast<std::uint32_t>(e.SignedValue()) : e.UnsignedValue(),
                                               isSigned);
    }
    case kIniText:
    case kIniList:
      return plainName(e.NameView(), true);
    case kIniRaw:
    case kIniRawList:
      if (!plainName(e.NameView(), true)) return false;
      for (std::uint32_t i = 0; i < e.Count(); ++i)
        if (e.ValueView(i).find_first_of(std::wstring_view(L"\"\0", 2)) != std::wstring_view::npos) return false;
      return true;
    default: return true;
  }
}

// The schema that reads every key of `data` as the kind it was written with.
class WrittenSchema {
 public:
  explicit WrittenSchema(const CIniData& data) {
    const wchar_t* section = nullptr;
    for (IniEntry e : data.Entries()) {
      if (e.Kind() == kIniSection) {
        section = m_names.emplace_back(e.NameView()).c_str();
      } else if (e.Kind() >= kIniText && e.Kind() <= kIniRawList) {
        m_rows.push_back(
            IniSchemaRow{section, m_names.emplace_back(e.NameView()).c_str(), 0, static_cast<std::int32_t>(e.Kind())});
      }
    }
  }
  IniSchema Rows() const noexcept { return m_rows; }

 private:
  std::list<std::wstring> m_names;  // stable addresses for the rows
  std::vector<IniSchemaRow> m_rows;
};

inline bool CheckIniRoundTrip(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return true;
  const std::uint32_t flags = (data[0] & 1u) ? kIniSaveUnicode : 0u;
  EntryReader reader(data + 1, size - 1);
  FuzzIniBuffer built;
  while (!reader.AtEnd()) reader.AddEntry(built);

  // The document as a whole: refused with the text untouched, or saved.
  constexpr std::wstring_view kBefore = L"text before";
  built.SetText(kBefore);
  const HRESULT saved = built.Save(flags);
  if (FAILED(saved)) {
    if (saved != kIniUnwritable || built.Text() != kBefore) return false;
    bool plain = true;
    for (IniEntry e : built.Entries()) plain = plain && ObviouslyWritable(e);
    if (plain) return false;
  }

  // The entries Save takes one by one (a refused section with its keys),
  // which must save together and read back as the same entries.
  FuzzIniBuffer kept;
  bool sectionKept = true;
  for (IniEntry e : built.Entries()) {
    FuzzIniBuffer alone;
    alone.AddEntry(e.Kind() | e.Flags(), e.NameView(), ValuesOf(e));
    const bool writable = SUCCEEDED(alone.Save(flags));
    if (e.Kind() == kIniSection) sectionKept = writable;
    if (writable && sectionKept) kept.AddEntry(e.Kind() | e.Flags(), e.NameView(), ValuesOf(e));
  }
  if (FAILED(kept.Save(flags))) return false;
  // A document that saved lost nothing here, and its text is the same.
  if (SUCCEEDED(saved) && (kept.EntryCount() != built.EntryCount() || kept.Text() != built.Text())) return false;

  const WrittenSchema schema(kept);
  CIniDataBuffer back;
  back.SetText(kept.Text());
  if (FAILED(back.Load(schema.Rows()))) return false;
  std::size_t j = 0;
  for (IniEntry e : kept.Entries()) {
    if (e.Kind() < kIniSection || e.Kind() > kIniRawList) continue;  // written as nothing
    if (j >= back.EntryCount() || !SameEntry(e, back.Entry(j))) return false;
    ++j;
  }
  return j == back.EntryCount();
}

}  // namespace wendrix::fuzz

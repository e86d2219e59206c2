#pragma once
// CIniData: the ordered, typed entry list that every structured file of the
// library (and some registry trees) is read into. Subclasses fill it from a
// medium and write it back: CIniDataBuffer (INI text), CIniDataRegistry (a
// registry key).
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/result.h"
#include "core/string_list.h"

namespace wendrix {

// Entry kinds (low 8 bits of an entry's kind word).
enum IniKind : std::uint32_t {
  kIniSection = 1,   // section header, no values
  kIniText = 2,      // one text, escapes decoded
  kIniSigned = 3,    // signed 32-bit number, kept as decimal text
  kIniUnsigned = 4,  // unsigned 32-bit number, kept as decimal text
  kIniList = 5,      // texts, escapes decoded
  kIniRaw = 6,       // one text, no escape processing
  kIniRawList = 7,   // texts, no escape processing
  kIniVerbatim = 8,  // a line written as it stands, no values
};

// Entry flag: numbers are written in hexadecimal, texts and lists always quoted.
inline constexpr std::uint32_t kIniAlternateForm = 0x100;
inline constexpr std::uint32_t kIniKindMask = 0xFF;

// Schema: each row maps (section, key) to the caller's identifier and the kind
// to read the value as. kIniAny in a row matches any name; a null section
// matches keys before the first section, a null key matches no key.
inline constexpr wchar_t kIniAnyTag[] = L"*";
inline constexpr const wchar_t* kIniAny = kIniAnyTag;

struct IniSchemaRow {
  const wchar_t* section;
  const wchar_t* key;
  std::int32_t id;
  std::int32_t kind;
};
using IniSchema = std::span<const IniSchemaRow>;

// The kind a key is read as when `row` is the schema row it matched (null:
// none): the row's kind, or text when there is none or it names no value kind.
constexpr std::uint32_t IniReadKind(const IniSchemaRow* row) noexcept {
  const auto kind = row ? static_cast<std::uint32_t>(row->kind) : kIniText;
  return kind >= kIniText && kind <= kIniRawList ? kind : kIniText;
}

// The rows of a schema that can match the keys of one section, in schema
// order: a file's keys are looked up against their own section's rows only.
// Given a second schema, each lookup also tells how that one reads the key,
// at hardly any cost: its answer is kept with each row.
class SectionRows {
 public:
  explicit SectionRows(IniSchema schema) : SectionRows(schema, schema) {}
  SectionRows(IniSchema schema, IniSchema other) : m_schema(schema), m_other(other) { Select(nullptr); }
  SectionRows(const SectionRows&) = delete;  // it points into itself
  SectionRows& operator=(const SectionRows&) = delete;
  // The section whose keys follow; null for keys before any section.
  void Select(const wchar_t* section);
  void Select(std::wstring_view section);
  // The first row of the section that names `key`, or null.
  const IniSchemaRow* Find(std::wstring_view key) const noexcept { return RowOf(Match(m_selected->rows, key)); }
  // The same, and in `otherKind` the kind the other schema reads `key` as
  // (IniReadKind of its row).
  const IniSchemaRow* Find(std::wstring_view key, std::uint32_t& otherKind) const noexcept;
  // The identifier of the first row that declares the selected section (a row
  // with the section's own name and a null key), or -1.
  std::int32_t SectionId() const noexcept { return m_selected->sectionId; }

 private:
  // A file names a handful of sections thousands of times: the rows of the
  // first few names met are kept.
  static constexpr std::size_t kCachedSections = 32;
  // A row that can match a key, with what rules most keys out at a glance.
  struct KeyRow {
    const IniSchemaRow* row;
    bool any;                 // the row's key is kIniAny; the fields below are then unused
    wchar_t first;            // the key's first character, folded
    std::size_t length;       // of the row's key
    std::uint32_t otherKind;  // how the other schema reads the row's key
  };
  struct Section {
    std::wstring name;
    bool none;  // keys before any section
    std::int32_t sectionId;
    std::vector<KeyRow> rows;
    std::vector<KeyRow> otherRows;  // the other schema's, when it differs
  };

  bool HasOther() const noexcept { return m_other.data() != m_schema.data() || m_other.size() != m_schema.size(); }
  static const KeyRow* Match(const std::vector<KeyRow>& rows, std::wstring_view key) noexcept;
  static const IniSchemaRow* RowOf(const KeyRow* match) noexcept { return match ? match->row : nullptr; }
  // `section` null: keys before any section.
  void Choose(const std::wstring_view* section);
  // Whether a row of either schema names `section` itself (not by kIniAny).
  bool NamedByRow(std::wstring_view section) const noexcept;
  Section Build(const std::wstring_view* section) const;
  static std::vector<KeyRow> KeyRows(IniSchema schema, const std::wstring_view* section);

  IniSchema m_schema;
  IniSchema m_other;
  std::vector<Section> m_cache;
  Section m_uncached;
  Section m_unnamed;  // the rows of every section that no row names
  bool m_unnamedBuilt = false;
  const Section* m_selected = nullptr;
};

// The first row whose section and key both match, or null. Names compare
// case-insensitively.
const IniSchemaRow* FindSchemaRow(const wchar_t* section, std::wstring_view key, IniSchema schema) noexcept;
// The matching row's identifier, or -1.
std::int32_t SchemaLookup(const wchar_t* section, std::wstring_view key, IniSchema schema) noexcept;

// The number rule of INI values: "true"/"yes" are 1 and "false"/"no" are 0
// (case ignored); otherwise a C-notation number with automatic base (0x hex,
// leading 0 octal, else decimal), read as signed (kind 3) or unsigned (kind 4)
// 32-bit like strtol/strtoul: a signed value out of range is clamped, an
// unsigned one with a minus sign wraps. Blanks may follow; anything else fails.
struct IniNumber {
  std::uint32_t bits;  // the 32 bits of the value
  bool hex;            // written with 0x / 0X
};
bool ParseIniNumber(std::wstring_view text, bool isSigned, IniNumber* out) noexcept;
// Decimal text of a number of the given kind ("-5" for kind 3, "4294967291" for kind 4).
std::wstring FormatIniNumber(std::uint32_t bits, bool isSigned);

// A read-only view of one entry.
class IniEntry {
 public:
  IniEntry(const CStringList& list, std::size_t index) : m_list(&list), m_block(&list[index]) {}

  std::uint32_t Kind() const noexcept { return m_block->tag & kIniKindMask; }
  std::uint32_t Flags() const noexcept { return m_block->tag & ~kIniKindMask; }
  bool AlternateForm() const noexcept { return (m_block->tag & kIniAlternateForm) != 0; }
  std::uint32_t Line() const noexcept { return m_block->line; }
  // The identifier the schema gave the entry when CIniDataBuffer read it from
  // text: for a key, that of the row that decided its kind; for a section,
  // that of the row declaring the section (SectionRows::SectionId). -1 when
  // no row matched, and for entries added by code or read from the registry.
  std::int32_t SchemaId() const noexcept { return m_block->id; }
  std::uint32_t Count() const noexcept { return m_block->stringCount - 1; }
  const wchar_t* Name() const { return m_list->String(*m_block, 0); }
  std::wstring_view NameView() const { return m_list->StringView(*m_block, 0); }
  // Value i (0-based); zero-terminated.
  const wchar_t* Value(std::size_t i) const { return m_list->String(*m_block, i + 1); }
  std::wstring_view ValueView(std::size_t i) const { return m_list->StringView(*m_block, i + 1); }
  // Value i read by the number rule; 0 when it is not a number.
  std::int32_t SignedValue(std::size_t i = 0) const;
  std::uint32_t UnsignedValue(std::size_t i = 0) const;

 private:
  const CStringList* m_list;
  const CStringList::Block* m_block;
};

class CIniData {
 public:
  CIniData() = default;
  CIniData(const CIniData&) = delete;
  CIniData& operator=(const CIniData&) = delete;
  virtual ~CIniData() = default;

  // Empties the entry list and fills it from the medium. A failed load keeps
  // the entries read before the failure and sets the error flag.
  virtual HRESULT Load(IniSchema schema) = 0;
  // Writes the entry list to the medium.
  virtual HRESULT Save(std::uint32_t flags) = 0;

  // Appending entries; each returns E_OUTOFMEMORY when memory runs out and
  // then leaves the list as it was. `flags` are or-ed into the kind word.
  HRESULT AddSection(std::wstring_view name);
  HRESULT AddText(std::wstring_view key, std::wstring_view value, std::uint32_t flags = 0);
  HRESULT AddRaw(std::wstring_view key, std::wstring_view value, std::uint32_t flags = 0);
  HRESULT AddNumber(std::wstring_view key, std::int32_t value, std::uint32_t flags = 0);
  HRESULT AddUnsigned(std::wstring_view key, std::uint32_t value, std::uint32_t flags = 0);
  HRESULT AddList(std::wstring_view key, std::span<const std::wstring_view> items, std::uint32_t flags = 0);
  HRESULT AddRawList(std::wstring_view key, std::span<const std::wstring_view> items, std::uint32_t flags = 0);
  HRESULT AddVerbatim(std::wstring_view line);
  void Clear() noexcept;

  std::size_t EntryCount() const noexcept { return m_entries.Size(); }
  IniEntry Entry(std::size_t i) const { return IniEntry(m_entries, i); }

  // Range over the entries in order: for (IniEntry e : data.Entries()) ...
  class Iterator {
   public:
    Iterator(const CStringList& l, std::size_t i) : m_list(&l), m_index(i) {}
    IniEntry operator*() const { return IniEntry(*m_list, m_index); }
    Iterator& operator++() { ++m_index; return *this; }
    bool operator!=(const Iterator& o) const { return m_index != o.m_index; }
   private:
    const CStringList* m_list;
    std::size_t m_index;
  };
  struct Range {
    const CStringList* list;
    Iterator begin() const { return {*list, 0}; }
    Iterator end() const { return {*list, list->Size()}; }
  };
  Range Entries() const noexcept { return Range{&m_entries}; }

  // The line counter: after a failed load, the line of the failure.
  std::uint32_t ErrorLine() const noexcept { return m_line; }
  bool HadError() const noexcept { return m_error; }

 protected:
  HRESULT AddEntry(std::uint32_t kindWord, std::wstring_view name, std::span<const std::wstring_view> values);
  void BeginLoad() noexcept;

  CStringList m_entries;
  std::uint32_t m_line = 0;
  bool m_error = false;
};

}  // namespace wendrix

#include "core/ini_data.h"

#include <algorithm>
#include <new>

#include "core/string_util.h"

namespace wendrix {
namespace {

// A schema row's section: kIniAny matches every section, null only "no section".
bool NameMatches(const wchar_t* pattern, const wchar_t* name) noexcept {
  if (pattern == kIniAny) return true;
  if (!pattern || !name) return pattern == name;
  return CStringUtil::EqualsNoCase(pattern, name);
}
// The same for a section given as a view; null for "no section".
bool NameMatches(const wchar_t* pattern, const std::wstring_view* name) noexcept {
  if (pattern == kIniAny) return true;
  if (!pattern || !name) return !pattern && !name;
  // Most rows name another section: their first letter tells.
  if (!name->empty() && CStringUtil::FoldAscii(*pattern) != CStringUtil::FoldAscii(name->front())) return false;
  return CStringUtil::EqualsNoCase(pattern, *name);
}

bool ConsumeWord(std::wstring_view& text, std::wstring_view word) noexcept {
  if (!CStringUtil::StartsWithNoCase(text, word)) return false;
  text.remove_prefix(word.size());
  return true;
}

}  // namespace

void SectionRows::Select(const wchar_t* section) {
  if (section) {
    Select(std::wstring_view(section));
  } else {
    Choose(nullptr);
  }
}

void SectionRows::Select(std::wstring_view section) { Choose(&section); }

void SectionRows::Choose(const std::wstring_view* section) {
  for (const Section& cached : m_cache) {
    if (section ? !cached.none && cached.name.size() == section->size() &&
                      CStringUtil::EqualsNoCase(*section, cached.name)
                : cached.none) {
      m_selected = &cached;
      return;
    }
  }
  // A name that no row of either schema names gets the rows that match any
  // section, whatever the name: a list file names each publisher's section
  // by its ID, and building and caching those rows once per name would cost
  // more than reading the section.
  if (section && !NamedByRow(*section)) {
    if (!m_unnamedBuilt) {
      m_unnamed = Build(section);
      m_unnamed.name.clear();  // stands for every unnamed section
      m_unnamedBuilt = true;
    }
    m_selected = &m_unnamed;
    return;
  }
  // Built aside, so that running out of memory leaves the cache as it was.
  Section built = Build(section);
  if (m_cache.size() < kCachedSections) {
    m_cache.reserve(kCachedSections);  // keeps the cached sections where m_selected points
    m_selected = &m_cache.emplace_back(std::move(built));
  } else {
    m_uncached = std::move(built);
    m_selected = &m_uncached;
  }
}

bool SectionRows::NamedByRow(std::wstring_view section) const noexcept {
  for (IniSchema schema : {m_schema, m_other})
    for (const IniSchemaRow& row : schema)
      if (row.section && row.section != kIniAny && NameMatches(row.section, &section)) return true;
  return false;
}

std::vector<SectionRows::KeyRow> SectionRows::KeyRows(IniSchema schema, const std::wstring_view* section) {
  const auto matches = [&](const IniSchemaRow& row) { return row.key && NameMatches(row.section, section); };
  std::vector<KeyRow> rows;
  // Counted first: one allocation per section instead of one per doubling.
  rows.reserve(static_cast<std::size_t>(std::count_if(schema.begin(), schema.end(), matches)));
  for (const IniSchemaRow& row : schema) {
    // A row with a null key declares its section and matches no key.
    if (!matches(row)) continue;
    const bool any = row.key == kIniAny;
    const std::wstring_view key = any ? std::wstring_view() : std::wstring_view(row.key);
    rows.push_back(
        KeyRow{&row, any, key.empty() ? L'\0' : CStringUtil::FoldAscii(key.front()), key.size(), IniReadKind(&row)});
  }
  return rows;
}

SectionRows::Section SectionRows::Build(const std::wstring_view* section) const {
  Section built{section ? std::wstring(*section) : std::wstring(), section == nullptr, -1, KeyRows(m_schema, section),
                {}};
  if (section) {
    for (const IniSchemaRow& row : m_schema) {
      if (!row.key && row.section != kIniAny && NameMatches(row.section, section)) {
        built.sectionId = row.id;
        break;
      }
    }
  }
  // A key that a row names is looked up in the other schema once, here.
  if (HasOther()) {
    built.otherRows = KeyRows(m_other, section);
    for (KeyRow& r : built.rows)
      if (!r.any) r.otherKind = IniReadKind(RowOf(Match(built.otherRows, {r.row->key, r.length})));
  }
  return built;
}

const SectionRows::KeyRow* SectionRows::Match(const std::vector<KeyRow>& rows, std::wstring_view key) noexcept {
  // Keys are compared in full only when their length and first letter agree:
  // most rows of a section are ruled out by what the row itself holds.
  const wchar_t first = key.empty() ? L'\0' : CStringUtil::FoldAscii(key.front());
  for (const KeyRow& r : rows) {
    if (r.any) return &r;
    if (r.length != key.size() || r.first != first) continue;
    std::size_t i = 1;
    while (i < key.size() && CStringUtil::FoldAscii(r.row->key[i]) == CStringUtil::FoldAscii(key[i])) ++i;
    if (i >= key.size()) return &r;
  }
  return nullptr;
}

const IniSchemaRow* SectionRows::Find(std::wstring_view key, std::uint32_t& otherKind) const noexcept {
  const KeyRow* match = Match(m_selected->rows, key);
  if (match && !match->any) {
    otherKind = match->otherKind;
  } else {
    otherKind = IniReadKind(RowOf(HasOther() ? Match(m_selected->otherRows, key) : match));
  }
  return RowOf(match);
}

const IniSchemaRow* FindSchemaRow(const wchar_t* section, std::wstring_view key, IniSchema schema) noexcept {
  for (const IniSchemaRow& row : schema) {
    const bool keyMatches = row.key == kIniAny || (row.key && CStringUtil::EqualsNoCase(row.key, key));
    if (keyMatches && NameMatches(row.section, section)) return &row;
  }
  return nullptr;
}

std::int32_t SchemaLookup(const wchar_t* section, std::wstring_view key, IniSchema schema) noexcept {
  const IniSchemaRow* row = FindSchemaRow(section, key, schema);
  return row ? row->id : -1;
}

bool ParseIniNumber(std::wstring_view text, bool isSigned, IniNumber* out) noexcept {
  IniNumber result{0, false};
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  // View literals: their lengths are known when compiled, not counted per number.
  using namespace std::literals;
  if (ConsumeWord(text, L"true"sv) || ConsumeWord(text, L"yes"sv)) {
    result.bits = 1;
  } else if (ConsumeWord(text, L"false"sv) || ConsumeWord(text, L"no"sv)) {
    result.bits = 0;
  } else {
    bool negative = false;
    if (!text.empty() && (text.front() == L'+' || text.front() == L'-')) {
      negative = text.front() == L'-';
      text.remove_prefix(1);
    }
    unsigned base = 10;
    if (text.size() >= 2 && text[0] == L'0' && (text[1] == L'x' || text[1] == L'X') && HexDigitValue(text.size() > 2 ? text[2] : 0) >= 0) {
      base = 16;
      result.hex = true;
      text.remove_prefix(2);
    } else if (!text.empty() && text[0] == L'0') {
      base = 8;
    }
    // Accumulate in 64 bits and saturate, so that overflow is detected the way
    // strtol/strtoul detect it.
    std::uint64_t magnitude = 0;
    std::size_t digits = 0;
    for (; digits < text.size(); ++digits) {
      const int d = HexDigitValue(text[digits]);
      if (d < 0 || static_cast<unsigned>(d) >= base) break;
      magnitude = magnitude * base + static_cast<unsigned>(d);
      if (magnitude > 0xFFFFFFFFull) magnitude = 0x100000000ull;
    }
    if (digits == 0) return false;
    text.remove_prefix(digits);
    if (isSigned) {
      std::int64_t value = negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
      if (value > INT32_MAX) value = INT32_MAX;
      if (value < INT32_MIN) value = INT32_MIN;
      result.bits = static_cast<std::uint32_t>(static_cast<std::int32_t>(value));
    } else if (magnitude > 0xFFFFFFFFull) {
      result.bits = 0xFFFFFFFFu;
    } else {
      result.bits = negative ? static_cast<std::uint32_t>(0u - static_cast<std::uint32_t>(magnitude))
                             : static_cast<std::uint32_t>(magnitude);
    }
  }
  for (wchar_t c : text)
    if (!IsBlank(c)) return false;
  if (out) *out = result;
  return true;
}

std::wstring FormatIniNumber(std::uint32_t bits, bool isSigned) {
  std::wstring out;
  std::uint64_t magnitude = bits;
  if (isSigned && static_cast<std::int32_t>(bits) < 0) {
    out.push_back(L'-');
    magnitude = 0x100000000ull - bits;
  }
  wchar_t digits[12];
  std::size_t n = 0;
  do {
    digits[n++] = static_cast<wchar_t>(L'0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  while (n) out.push_back(digits[--n]);
  return out;
}

std::int32_t IniEntry::SignedValue(std::size_t i) const {
  IniNumber n{};
  return ParseIniNumber(ValueView(i), true, &n) ? static_cast<std::int32_t>(n.bits) : 0;
}

std::uint32_t IniEntry::UnsignedValue(std::size_t i) const {
  IniNumber n{};
  return ParseIniNumber(ValueView(i), false, &n) ? n.bits : 0;
}

HRESULT CIniData::AddEntry(std::uint32_t kindWord, std::wstring_view name, std::span<const std::wstring_view> values) {
  try {
    m_entries.Open(kindWord, m_line);
    m_entries.Put(name);
    m_entries.EndString();
    for (std::wstring_view v : values) {
      m_entries.Put(v);
      m_entries.EndString();
    }
    m_entries.Close();
    return S_OK;
  } catch (const std::bad_alloc&) {
    m_entries.Abandon();
    return E_OUTOFMEMORY;
  }
}

HRESULT CIniData::AddSection(std::wstring_view name) { return AddEntry(kIniSection, name, {}); }

HRESULT CIniData::AddText(std::wstring_view key, std::wstring_view value, std::uint32_t flags) {
  return AddEntry(kIniText | flags, key, std::span(&value, 1));
}

HRESULT CIniData::AddRaw(std::wstring_view key, std::wstring_view value, std::uint32_t flags) {
  return AddEntry(kIniRaw | flags, key, std::span(&value, 1));
}

HRESULT CIniData::AddNumber(std::wstring_view key, std::int32_t value, std::uint32_t flags) {
  try {
    const std::wstring text = FormatIniNumber(static_cast<std::uint32_t>(value), true);
    const std::wstring_view view = text;
    return AddEntry(kIniSigned | flags, key, std::span(&view, 1));
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

HRESULT CIniData::AddUnsigned(std::wstring_view key, std::uint32_t value, std::uint32_t flags) {
  try {
    const std::wstring text = FormatIniNumber(value, false);
    const std::wstring_view view = text;
    return AddEntry(kIniUnsigned | flags, key, std::span(&view, 1));
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

HRESULT CIniData::AddList(std::wstring_view key, std::span<const std::wstring_view> items, std::uint32_t flags) {
  return AddEntry(kIniList | flags, key, items);
}

HRESULT CIniData::AddRawList(std::wstring_view key, std::span<const std::wstring_view> items, std::uint32_t flags) {
  return AddEntry(kIniRawList | flags, key, items);
}

HRESULT CIniData::AddVerbatim(std::wstring_view line) { return AddEntry(kIniVerbatim, line, {}); }

void CIniData::Clear() noexcept { m_entries.Clear(); }

void CIniData::BeginLoad() noexcept {
  m_entries.Clear();
  m_line = 1;
  m_error = false;
}

}  // namespace wendrix

#pragma once
// The built-in language table: Windows language identifiers and the language
// tags (ISO 639 language, optional region) that publisher data files use for
// them. Searched in order; a tag listed twice resolves to its first row.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace wendrix {

struct LanguageRow {
  std::uint16_t languageId;
  std::wstring_view tag;      // "en-us"
  std::wstring_view compact;  // the tag without its hyphen: "enus"
};

inline constexpr std::size_t kLanguageRowCount = 125;

// The primary language of a Windows language identifier (its low 10 bits).
constexpr std::uint16_t PrimaryLanguage(std::uint16_t languageId) noexcept {
  return static_cast<std::uint16_t>(languageId & 0x3FF);
}

// Every row, in search order.
std::span<const LanguageRow> LanguageRows() noexcept;

// The first row whose tag or compact tag begins `tag` (ignoring case) and is
// followed in `tag` by its end or by a character other than an ASCII letter,
// an ASCII digit or "-": "en-us;x" finds en-us, "en-usx" and "en_" do not
// find en-us (the latter finds en). Null when no row matches.
const LanguageRow* FindLanguageRow(std::wstring_view tag) noexcept;

// The two-letter ISO 639 name for a few language identifiers whose name some
// systems do not report (Norwegian, Chinese, Japanese, Indonesian, Kannada,
// Marathi); empty for any other identifier.
std::wstring_view FallbackIso639(std::uint16_t languageId) noexcept;

}  // namespace wendrix

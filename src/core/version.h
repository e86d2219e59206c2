#pragma once
// Version numbers: four unsigned 32-bit components (major, minor, release,
// build) held as text everywhere and parsed on each use.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace wendrix {

using VersionParts = std::array<std::uint32_t, 4>;

// Result of CompareVersions, tested for directly by the loader and the check.
enum VersionOrder : int { kVersionOlder = 1, kVersionEqual = 2, kVersionNewer = 3 };

// Parses a version at the start of `text`: leading blanks and tabs, then one
// to four dot-separated decimal components (no sign, no leading zero on a
// non-zero component), ended by a blank, CR, LF or the end of the text.
// Returns the characters consumed (leading blanks included), or 0 when the
// text is not a version; `out` is written only on success.
std::size_t ParseVersion(std::wstring_view text, VersionParts* out = nullptr) noexcept;

// True when the whole text is a version; an empty text counts as 0.0.0.0.
bool IsValidVersionField(std::wstring_view text) noexcept;

// The first `count` components (1 to 4) joined by ".".
std::wstring FormatVersion(const VersionParts& parts, std::size_t count = 4);

// Compares two versions: kVersionOlder when a is older than b, kVersionEqual,
// kVersionNewer. A null or empty side is an absent version and counts as
// 0.0.0.0. When either side is not a version the two are compared as text
// (leading numbers first, then code units), an absent side being the empty
// text and so the older one.
int CompareVersions(const wchar_t* a, const wchar_t* b) noexcept;
int CompareVersions(std::wstring_view a, std::wstring_view b) noexcept;

// A DisplayVersionStyle record of a publisher data file.
struct VersionReplacement {
  VersionParts prefix{};
  std::uint32_t prefixCount = 1;  // 1 to 4
  std::wstring text;
};
struct DisplayVersionStyle {
  std::wstring id;
  std::uint32_t size = 4;  // components shown, 1 to 4
  std::vector<VersionReplacement> replacements;
};

// The number of components in a Replace prefix: 1 plus the dots that are
// followed by another character.
std::uint32_t CountPrefixComponents(std::wstring_view prefix) noexcept;

// Writes a version for display under `style` (null: all four components) into
// buffer[0..capacity), always terminated when capacity > 0. Returns the length
// written.
std::size_t FormatVersionForDisplay(const DisplayVersionStyle* style, const VersionParts& parts, wchar_t* buffer,
                                    std::size_t capacity) noexcept;
std::wstring FormatVersionForDisplay(const DisplayVersionStyle* style, const VersionParts& parts);

}  // namespace wendrix

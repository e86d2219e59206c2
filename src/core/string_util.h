#pragma once
// Small text helpers shared by every subsystem. Names, keys and vocabulary
// words compare case-insensitively with ordinal ASCII folding: only A-Z and
// a-z are folded, so the result never depends on the user's locale.
#include <cstddef>
#include <string>
#include <string_view>

namespace wendrix {

class CStringUtil {
 public:
  // Length of a zero-terminated text; a null pointer counts as empty.
  static std::size_t Length(const wchar_t* text) noexcept;
  // A view of a zero-terminated text; a null pointer gives the empty view.
  static std::wstring_view View(const wchar_t* text) noexcept;

  static constexpr wchar_t FoldAscii(wchar_t c) noexcept {
    return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c;
  }
  // <0, 0, >0 like wcscmp, with ASCII letters folded.
  static int CompareNoCase(std::wstring_view a, std::wstring_view b) noexcept;
  static bool EqualsNoCase(std::wstring_view a, std::wstring_view b) noexcept;
  // The same for a zero-terminated text, without measuring it first (schema
  // lookups compare thousands of keys against short constant names).
  static bool EqualsNoCase(const wchar_t* zeroTerminated, std::wstring_view b) noexcept;
  static bool EqualsNoCase(const wchar_t* a, const wchar_t* b) noexcept;
  static bool StartsWithNoCase(std::wstring_view text, std::wstring_view prefix) noexcept;
  static bool EndsWithNoCase(std::wstring_view text, std::wstring_view suffix) noexcept;

  // Converts ASCII text (literals, numbers) to wide text.
  static std::wstring Widen(std::string_view ascii);
};

constexpr bool IsBlank(wchar_t c) noexcept { return c == L' ' || c == L'\t'; }
constexpr bool IsDecimalDigit(wchar_t c) noexcept { return c >= L'0' && c <= L'9'; }
constexpr int HexDigitValue(wchar_t c) noexcept {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

}  // namespace wendrix

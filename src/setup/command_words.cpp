#include "setup/command_words.h"

namespace wendrix {
namespace {

bool IsBlank(wchar_t c) noexcept { return c == L' ' || c == L'\t'; }

int HexDigit(wchar_t c) noexcept {
  return c >= L'0' && c <= L'9' ? c - L'0' : c >= L'A' && c <= L'F' ? c - L'A' + 10 : c >= L'a' && c <= L'f' ? c - L'a' + 10 : -1;
}

}  // namespace

std::wstring QuoteCommandText(std::wstring_view text) {
  std::wstring quoted = L"\"";
  std::size_t backslashes = 0;
  for (const wchar_t c : text) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    // Backslashes before a quote are doubled, and the quote escaped.
    quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, L'\\');  // they stand before the closing quote
  quoted += L'"';
  return quoted;
}

std::vector<std::wstring> SplitCommandWords(std::wstring_view line) {
  std::vector<std::wstring> words;
  std::size_t i = 0;
  for (;;) {
    while (i < line.size() && IsBlank(line[i])) ++i;
    if (i == line.size()) return words;
    std::wstring word;
    bool quoted = false;
    while (i < line.size() && (quoted || !IsBlank(line[i]))) {
      std::size_t backslashes = 0;
      while (i < line.size() && line[i] == L'\\') ++backslashes, ++i;
      if (i < line.size() && line[i] == L'"') {
        word.append(backslashes / 2, L'\\');
        if (backslashes % 2) word += L'"';
        else quoted = !quoted;
        ++i;
      } else {
        word.append(backslashes, L'\\');
        if (i < line.size() && (quoted || !IsBlank(line[i]))) word += line[i++];
      }
    }
    if (quoted) return {};
    words.push_back(std::move(word));
  }
}

bool ParseHexNumber(std::wstring_view word, std::uint32_t& value) noexcept {
  if (word.size() < 3 || word.size() > 10 || word[0] != L'0' || (word[1] != L'x' && word[1] != L'X')) return false;
  value = 0;
  for (const wchar_t c : word.substr(2)) {
    const int digit = HexDigit(c);
    if (digit < 0) return false;
    value = value << 4 | static_cast<std::uint32_t>(digit);
  }
  return true;
}

}  // namespace wendrix

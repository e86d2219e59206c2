#include "setup/launcher_command.h"

#include <cwchar>
#include <vector>

namespace wendrix {
namespace {

constexpr std::size_t kValues = 12;

std::wstring Hex(std::uint32_t value) {
  wchar_t text[16];
  std::swprintf(text, 16, L"0x%X", static_cast<unsigned>(value));
  return text;
}

bool IsBlank(wchar_t c) noexcept { return c == L' ' || c == L'\t'; }

// Splits a line into words by the usual command-line rules: blanks separate
// words outside double quotes; 2n backslashes before a double quote are n
// backslashes and the quote opens or closes; 2n+1 are n and a literal quote;
// other backslashes are literal.
std::vector<std::wstring> Words(std::wstring_view line) {
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
    if (quoted) return {};  // an unterminated quote: not a line we wrote
    words.push_back(std::move(word));
  }
}

bool ParseHex(const std::wstring& word, std::uint32_t& value) noexcept {
  if (word.size() < 3 || word.size() > 10 || word[0] != L'0' || (word[1] != L'x' && word[1] != L'X')) return false;
  value = 0;
  for (std::size_t i = 2; i < word.size(); ++i) {
    const wchar_t c = word[i];
    const int digit = c >= L'0' && c <= L'9' ? c - L'0'
                      : c >= L'A' && c <= L'F' ? c - L'A' + 10
                      : c >= L'a' && c <= L'f' ? c - L'a' + 10
                                               : -1;
    if (digit < 0) return false;
    value = value << 4 | static_cast<std::uint32_t>(digit);
  }
  return true;
}

bool ParseDecimal(const std::wstring& word, std::int32_t& value) noexcept {
  const bool negative = !word.empty() && word[0] == L'-';
  const std::size_t first = negative ? 1 : 0;
  if (word.size() == first || word.size() - first > 10) return false;
  std::int64_t magnitude = 0;
  for (std::size_t i = first; i < word.size(); ++i) {
    if (word[i] < L'0' || word[i] > L'9') return false;
    magnitude = magnitude * 10 + (word[i] - L'0');
  }
  const std::int64_t signedValue = negative ? -magnitude : magnitude;
  if (signedValue < INT32_MIN || signedValue > INT32_MAX) return false;
  value = static_cast<std::int32_t>(signedValue);
  return true;
}

}  // namespace

std::wstring QuoteLauncherText(std::wstring_view text) {
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

std::wstring FormatLauncherCommand(const LauncherCommand& c) {
  std::wstring line;
  for (const std::wstring& value :
       {Hex(c.mode), std::to_wstring(c.processId), Hex(c.settleMs), QuoteLauncherText(c.file),
        QuoteLauncherText(c.parameters), Hex(c.fileWaitMs), std::to_wstring(c.reserved7),
        QuoteLauncherText(c.afterProgram), QuoteLauncherText(c.afterParameters), Hex(c.reserved10),
        std::to_wstring(c.reserved11), QuoteLauncherText(c.mutexName)}) {
    if (!line.empty()) line += L' ';
    line += value;
  }
  return line;
}

std::optional<LauncherCommand> ParseLauncherCommand(std::wstring_view line) {
  const std::vector<std::wstring> w = Words(line);
  if (w.size() != kValues) return std::nullopt;
  LauncherCommand c;
  if (!ParseHex(w[0], c.mode) || !ParseDecimal(w[1], c.processId) || !ParseHex(w[2], c.settleMs) ||
      !ParseHex(w[5], c.fileWaitMs) || !ParseDecimal(w[6], c.reserved7) || !ParseHex(w[9], c.reserved10) ||
      !ParseDecimal(w[10], c.reserved11))
    return std::nullopt;
  c.file = w[3];
  c.parameters = w[4];
  c.afterProgram = w[7];
  c.afterParameters = w[8];
  c.mutexName = w[11];
  return c;
}

}  // namespace wendrix

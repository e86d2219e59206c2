#include "setup/launcher_command.h"

#include <cwchar>
#include <vector>

#include "setup/command_words.h"

namespace wendrix {
namespace {

constexpr std::size_t kValues = 12;

std::wstring Hex(std::uint32_t value) {
  wchar_t text[16];
  std::swprintf(text, 16, L"0x%X", static_cast<unsigned>(value));
  return text;
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

std::wstring FormatLauncherCommand(const LauncherCommand& c) {
  std::wstring line;
  for (const std::wstring& value :
       {Hex(c.mode), std::to_wstring(c.processId), Hex(c.settleMs), QuoteCommandText(c.file),
        QuoteCommandText(c.parameters), Hex(c.fileWaitMs), std::to_wstring(c.reserved7),
        QuoteCommandText(c.afterProgram), QuoteCommandText(c.afterParameters), Hex(c.reserved10),
        std::to_wstring(c.reserved11), QuoteCommandText(c.mutexName)}) {
    if (!line.empty()) line += L' ';
    line += value;
  }
  return line;
}

std::optional<LauncherCommand> ParseLauncherCommand(std::wstring_view line) {
  const std::vector<std::wstring> w = SplitCommandWords(line);
  if (w.size() != kValues) return std::nullopt;
  LauncherCommand c;
  if (!ParseHexNumber(w[0], c.mode) || !ParseDecimal(w[1], c.processId) || !ParseHexNumber(w[2], c.settleMs) ||
      !ParseHexNumber(w[5], c.fileWaitMs) || !ParseDecimal(w[6], c.reserved7) || !ParseHexNumber(w[9], c.reserved10) ||
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

#include "setup_command.h"

#include <cwctype>

namespace wendrix {
namespace {

bool SameWord(const std::wstring& word, const wchar_t* expected) {
  std::size_t i = 0;
  for (; i < word.size() && expected[i]; ++i)
    if (std::towlower(word[i]) != std::towlower(expected[i])) return false;
  return i == word.size() && !expected[i];
}

}  // namespace

std::optional<SetupAction> ParseSetupCommand(const std::vector<std::wstring>& arguments) {
  if (arguments.empty()) return SetupAction::kInstall;
  if (!SameWord(arguments[0], L"uninstall")) return std::nullopt;
  if (arguments.size() == 1) return SetupAction::kUninstallMachine;
  if (arguments.size() == 2 && SameWord(arguments[1], L"/user")) return SetupAction::kUninstallUser;
  return std::nullopt;
}

}  // namespace wendrix

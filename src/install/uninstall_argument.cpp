#include "install/uninstall_argument.h"

#include <vector>

#include "setup/command_words.h"

namespace wendrix {

bool ParseUninstallFlags(std::wstring_view text, std::uint32_t& flags) noexcept {
  unsigned base = 10;
  if (text.size() > 2 && text[0] == L'0' && (text[1] == L'x' || text[1] == L'X')) {
    base = 16;
    text.remove_prefix(2);
  } else if (text.size() > 1 && text[0] == L'0') {
    base = 8;
    text.remove_prefix(1);
  }
  if (text.empty()) return false;
  std::uint64_t value = 0;
  for (const wchar_t c : text) {
    unsigned digit = 0;
    if (c >= L'0' && c <= L'9') digit = static_cast<unsigned>(c - L'0');
    else if (c >= L'a' && c <= L'f') digit = static_cast<unsigned>(c - L'a' + 10);
    else if (c >= L'A' && c <= L'F') digit = static_cast<unsigned>(c - L'A' + 10);
    else return false;
    if (digit >= base) return false;
    value = value * base + digit;
    if (value > 0xFFFFFFFFull) return false;
  }
  flags = static_cast<std::uint32_t>(value);
  return true;
}

std::optional<UninstallArgument> FindUninstallArgument(std::wstring_view commandLine) {
  for (const std::wstring& word : SplitCommandWords(commandLine)) {
    if (word.size() < 2 || word[0] != L'-' || word[1] != L'!') continue;
    const std::wstring_view rest = std::wstring_view(word).substr(2);
    const std::size_t dot = rest.find(L'.');
    UninstallArgument argument;
    argument.publisherId = std::wstring(rest.substr(0, dot));
    if (argument.publisherId.empty() || argument.publisherId.size() > kMaxUninstallPublisherId) return std::nullopt;
    // A flags part that is not a number unregisters with no flags: the
    // publisher's uninstaller still means to remove its registration.
    if (dot != std::wstring_view::npos && !ParseUninstallFlags(rest.substr(dot + 1), argument.flags))
      argument.flags = 0;
    return argument;
  }
  return std::nullopt;
}

}  // namespace wendrix

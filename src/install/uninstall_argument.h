#pragma once
// The argument a publisher's uninstaller carries for the library: "-!" then
// the publisher ID, a "." and the unregistration flags ("-!Acme.1").
// Platform-free: it reads a command line that anybody may have written.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace wendrix {

inline constexpr std::size_t kMaxUninstallPublisherId = 80;

struct UninstallArgument {
  std::wstring publisherId;
  std::uint32_t flags = 0;
};

// The first word of `commandLine` (split by the usual rules: a word in
// double quotes may hold blanks) that begins with "-!": the text after it up
// to the first "." is the publisher ID, the number after the "." the flags
// (decimal, "0x" hexadecimal or octal with a leading 0; no number, or one
// that is not all digits of its base or does not fit 32 bits, gives 0).
// Nothing when no word begins with "-!", or the ID is empty or longer than
// 80 characters.
std::optional<UninstallArgument> FindUninstallArgument(std::wstring_view commandLine);

// A flags number as the argument writes it; false when it is not one.
bool ParseUninstallFlags(std::wstring_view text, std::uint32_t& flags) noexcept;

}  // namespace wendrix

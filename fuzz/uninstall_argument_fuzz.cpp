// libFuzzer target: the "-!ID.flags" argument that publishers' uninstallers
// pass, read from any command line a process may have been started with.
//
// Whatever the text: no crash; an argument found has an ID of 1 to 80
// characters without a dot, and written back as "-!ID.0x<flags>" in quotes
// it reads back to the same ID and flags.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "install/uninstall_argument.h"
#include "setup/command_words.h"

using namespace wendrix;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  std::wstring line;
  for (std::size_t i = 0; i + 1 < size; i += 2) line += static_cast<wchar_t>(bytes[i] | bytes[i + 1] << 8);

  const auto argument = FindUninstallArgument(line);
  if (!argument) return 0;
  const std::wstring& id = argument->publisherId;
  if (id.empty() || id.size() > kMaxUninstallPublisherId || id.find(L'.') != std::wstring::npos) std::abort();
  wchar_t flags[16];
  std::swprintf(flags, 16, L".0x%X", static_cast<unsigned>(argument->flags));
  const auto again = FindUninstallArgument(QuoteCommandText(L"-!" + id + flags));
  if (!again || again->publisherId != id || again->flags != argument->flags) std::abort();
  return 0;
}

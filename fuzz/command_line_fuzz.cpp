// libFuzzer target: the command lines of the product's programs (the
// launcher's twelve values and the archive switches of the program that runs
// with administrator rights), read from any text a caller could pass.
//
// Whatever the text: no crash; a line that reads writes out again, and that
// reads back to the same values.
#include <cstdlib>
#include <string>
#include <vector>

#include "setup/archive_switches.h"
#include "setup/command_words.h"
#include "setup/launcher_command.h"

using namespace wendrix;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  std::wstring line;
  for (std::size_t i = 0; i + 1 < size; i += 2) line += static_cast<wchar_t>(bytes[i] | bytes[i + 1] << 8);

  if (const auto command = ParseLauncherCommand(line)) {
    const auto again = ParseLauncherCommand(FormatLauncherCommand(*command));
    if (!again || FormatLauncherCommand(*again) != FormatLauncherCommand(*command)) std::abort();
  }
  const std::vector<std::wstring> words = SplitCommandWords(line);
  if (const auto switches = ParseArchiveSwitches(words)) {
    const auto formatted = FormatArchiveSwitches(*switches);
    if (!formatted) std::abort();  // what reads must write
    const std::vector<std::wstring> written = SplitCommandWords(*formatted);
    const auto again = ParseArchiveSwitches(written);
    if (!again || *again != *switches) std::abort();
  }
  return 0;
}

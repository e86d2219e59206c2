// validate: checks a publisher data file as the library checks a publisher's
// download, and reports the first error as "FILE:LINE: message" (the line is
// left out when the error has none), with the library's own message text.
// Under strict rules it warns of each action fetched over plain http whose
// files are not pinned by SHA-256.
#include <string>

#include "console.h"
#include "frame/messages.h"
#include "frame/module_state.h"
#include "publisher/loader.h"
#include "publisher/windows_environment.h"
#include "publisher_file.h"

using namespace wendrix;

namespace wxcli {

int CommandValidate(Args args) {
  const bool strict = TakeFlag(args, L"--strict");
  if (args.size() != 1) {
    Err(L"usage: wxcli validate FILE [--strict]\n");
    return 2;
  }
  InitializeLibraryState();
  const WindowsPublisherEnvironment env(Module().version);
  LoadedFile file;
  LoadAsRegistered(args[0], strict ? std::uint32_t{kLoadStrict} : 0u, env, file);
  if (FAILED(file.result)) {
    Out(args[0] + (file.line ? L":" + std::to_wstring(file.line) : L"") + L": " + ErrorText(file.result) + L" (" +
        Hex(static_cast<unsigned long>(file.result)) + L")\n");
    return 1;
  }
  const PublisherData& data = file.data;
  Out(args[0] + L": valid" + (strict ? L" under strict rules" : L"") + L"; publisher " + data.publisher.name + L", " +
      std::to_wstring(data.items.size()) + L" items, " + std::to_wstring(data.actions.size()) + L" actions, " +
      std::to_wstring(data.groups.size()) + L" groups, " + std::to_wstring(data.messages.size()) + L" messages\n");
  if (file.result == S_FALSE) Out(L"note: the file moves the publisher to " + data.publisher.dataSource + L"\n");
  if (strict)
    for (const Action& action : data.actions)
      if (UnpinnedOverHttp(action))
        Out(L"warning: " + args[0] + L":" + std::to_wstring(action.line) + L": action " + action.id +
            L" is fetched over http without SHA256 lines\n");
  return 0;
}

}  // namespace wxcli

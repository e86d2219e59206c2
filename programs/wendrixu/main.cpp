// wendrixu.exe, the product's elevated installer program. The library starts
// it for a wallet entry whose archives must be unpacked with administrator
// rights; its manifest asks for them. It runs the same archive installation
// as the library does in its own process (wallet/archive_install.h), with
// the library's texts and dialogs taken from the library file beside it.
//
// Command line: the archive switches (setup/archive_switches.h).
// Exit code: 0 on success, else the installation's HRESULT; E_INVALIDARG
// for a command line the library did not write; the Windows error as an
// HRESULT when the library file beside the program cannot be loaded.
#include <windows.h>

#include <string>
#include <vector>

#include "core/placeholders.h"
#include "core/result.h"
#include "frame/module_state.h"
#include "setup/archive_switches.h"
#include "setup/library_beside_program.h"
#include "setup/command_words.h"
#include "wallet/archive_install.h"

namespace {

using namespace wendrix;

// The library of this program's width, from the program's own folder: its
// module gives the texts, dialogs and version the installation uses. It
// stays loaded until the program ends.
HRESULT LoadProductLibrary() {
  UniqueModule library;
  RETURN_IF_FAILED(LoadLibraryBesideProgram(library));
  return InitializeModuleState(library.Release()) ? S_OK : E_FAIL;
}

HRESULT Run() {
  std::vector<std::wstring> words = SplitCommandWords(GetCommandLineW());
  if (words.empty()) return E_INVALIDARG;
  words.erase(words.begin());  // the program's own name
  const std::optional<ArchiveSwitches> switches = ParseArchiveSwitches(words);
  if (!switches) return E_INVALIDARG;
  RETURN_IF_FAILED(LoadProductLibrary());
  if (!switches->applicationName.empty()) SetBrandedName(switches->applicationName, switches->applicationIcon);

  HWND parent = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(switches->parentWindow));
  if (parent && !IsWindow(parent)) parent = nullptr;
  const ArchiveInstallation installation{switches->archives, switches->entryId, switches->itemTitle,
                                         switches->walletFlags, parent};
  return InstallArchives(installation);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  try {
    return static_cast<int>(Run());
  } catch (...) {
    return static_cast<int>(E_OUTOFMEMORY);
  }
}

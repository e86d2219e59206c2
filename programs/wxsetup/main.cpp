// wxsetup.exe, the product's setup program. Without arguments it installs
// the product from its own folder inside a rollback journal: committed when
// the installation succeeds, rolled back when it fails. "uninstall" removes
// the product for the machine, "uninstall /user" the current user's
// registrations first; both end with the library's finalization.
//
// Exit code: the HRESULT of the work (0, or 1 when Windows must restart);
// E_INVALIDARG for an unknown command line; the Windows error as an HRESULT
// when the library beside the program cannot be loaded or lacks an export.
#include <windows.h>

#include <string>
#include <vector>

#include "core/result.h"
#include "setup/command_words.h"
#include "setup/library_beside_program.h"
#include "setup_command.h"
#include "wendrix.h"

namespace {

using namespace wendrix;

// The library beside the program, with the exports the setup calls.
class ProductLibrary {
 public:
  HRESULT Load() { return LoadLibraryBesideProgram(m_module); }
  template <typename Fn>
  Fn Get(const char* name) const {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(m_module.Get(), name)));
  }

 private:
  UniqueModule m_module;
};

HRESULT Install(const ProductLibrary& library) {
  const auto create = library.Get<decltype(&WendrixCreateRollbackEx)>("WendrixCreateRollbackEx");
  const auto install = library.Get<decltype(&WendrixInstallEx)>("WendrixInstallEx");
  const auto destroy = library.Get<decltype(&WendrixDestroyRollbackEx)>("WendrixDestroyRollbackEx");
  const auto rollback = library.Get<decltype(&WendrixRollbackEx)>("WendrixRollbackEx");
  if (!create || !install || !destroy || !rollback) return kExportMissing;
  WCHAR journal[MAX_PATH] = {};
  RETURN_IF_FAILED(create(journal, 0));
  UINT32 location = 0;
  const HRESULT hr = install(journal, &location, nullptr, 0);
  if (FAILED(hr)) {
    rollback(journal);
    return hr;
  }
  destroy(journal);
  return hr;
}

HRESULT Uninstall(const ProductLibrary& library, bool user) {
  const auto unregister = library.Get<decltype(&WendrixUnregisterEx)>("WendrixUnregisterEx");
  const auto finalize = library.Get<decltype(&WendrixFinalizeEx)>("WendrixFinalizeEx");
  if (!unregister || !finalize) return kExportMissing;
  if (user) {
    // The registrations only this user made go with the user's uninstall.
    RETURN_IF_FAILED(unregister(nullptr, nullptr, nullptr, nullptr,
                                WENDRIX_REGISTER_CURRENT_USER | WENDRIX_UNREGISTER_USER_REGISTERED));
  }
  return finalize(nullptr, nullptr, nullptr, 0);
}

HRESULT Run() {
  std::vector<std::wstring> words = SplitCommandWords(GetCommandLineW());
  if (words.empty()) return E_INVALIDARG;
  words.erase(words.begin());  // the program's own name
  const std::optional<SetupAction> action = ParseSetupCommand(words);
  if (!action) return E_INVALIDARG;
  ProductLibrary library;
  RETURN_IF_FAILED(library.Load());
  if (*action == SetupAction::kInstall) return Install(library);
  return Uninstall(library, *action == SetupAction::kUninstallUser);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  try {
    return static_cast<int>(Run());
  } catch (...) {
    return static_cast<int>(E_OUTOFMEMORY);
  }
}

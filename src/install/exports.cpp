// The exports of the product's own setup: installing the product,
// finalizing it when the last publisher goes, the hooks of publishers'
// uninstallers and the setup dialog.
#include <windows.h>

#include <optional>

#include "frame/ansi.h"
#include "frame/export_guard.h"
#include "frame/installed_copy.h"
#include "install/finalization.h"
#include "install/installation.h"
#include "install/setup_dialog.h"
#include "install/uninstall_argument.h"
#include "install/worker_code.h"
#include "registration/product_unregistration.h"
#include "wendrix.h"

using namespace wendrix;

namespace {

// The programs are stopped through the export, which a newer installed copy
// answers when there is one.
HRESULT StopThroughExport(std::uint32_t flags) { return WendrixStopEx(nullptr, flags); }

void Report(UINT32* errorLocation, std::uint32_t location) noexcept {
  if (errorLocation) *errorLocation = location;
}

// The setup dialog's worker: this user's publishers go, then the product
// goes when nobody needs it any more.
std::uint32_t RemoveForThisUser() {
  UINT32 location = 0;
  HRESULT hr = WendrixUnregisterEx(nullptr, nullptr, &location, nullptr,
                                   kUnregisterCurrentUser | kUnregisterUserOnlyPublishers);
  if (SUCCEEDED(hr)) hr = WendrixFinalizeEx(nullptr, &location, nullptr, 0);
  return EncodeWorkerCode(hr, location);
}

}  // namespace

extern "C" HRESULT WINAPI WendrixInstallEx(const WCHAR* journal, UINT32* errorLocation, void* reserved, UINT32 flags) {
  (void)reserved;
  Report(errorLocation, 0);
  return GuardedCall([&]() -> HRESULT {
    std::uint32_t location = 0;
    const HRESULT hr = InstallProduct(journal, flags, &StopThroughExport, location);
    Report(errorLocation, location);
    return hr;
  });
}

extern "C" HRESULT WINAPI WendrixInstall(const CHAR* journal, UINT32* errorLocation, void* reserved, UINT32 flags) {
  return GuardedCall([&]() -> HRESULT {
    const AnsiArg wide(journal);
    return WendrixInstallEx(wide.Get(), errorLocation, reserved, flags);
  });
}

extern "C" HRESULT WINAPI WendrixFinalizeEx(const WCHAR* journal, UINT32* errorLocation, void* reserved,
                                            UINT32 flags) {
  return GuardedCall([&]() -> HRESULT {
    HRESULT forwarded = S_OK;
    if (ForwardToInstalledCopy<decltype(&WendrixFinalizeEx)>("WendrixFinalizeEx", &forwarded, journal, errorLocation,
                                                             reserved, flags))
      return forwarded;
    Report(errorLocation, 0);
    std::uint32_t location = 0;
    const HRESULT hr = FinalizeProduct(journal, flags, &StopThroughExport, location);
    Report(errorLocation, location);
    return hr;
  });
}

extern "C" HRESULT WINAPI WendrixFinalize(const CHAR* journal, UINT32* errorLocation, void* reserved, UINT32 flags) {
  return GuardedCall([&]() -> HRESULT {
    const AnsiArg wide(journal);
    return WendrixFinalizeEx(wide.Get(), errorLocation, reserved, flags);
  });
}

extern "C" HRESULT WINAPI WendrixUninstall(const CHAR* caller, UINT32 flags) {
  return GuardedCall([&]() -> HRESULT {
    if (caller) RETURN_IF_FAILED(WendrixUnregister(caller, nullptr, nullptr, nullptr, flags & 1));
    return WendrixFinalize(nullptr, nullptr, nullptr, (flags & 16) ? 16 : 0);
  });
}

extern "C" HRESULT WINAPI UninstInitialize(UINT_PTR, UINT_PTR, UINT32) {
  return GuardedCall([&]() -> HRESULT {
    const std::optional<UninstallArgument> argument = FindUninstallArgument(GetCommandLineW());
    if (!argument) return S_OK;
    // The uninstaller goes on whatever happens here; it is not told. A
    // registration that is already gone still lets the product go.
    WendrixUnregisterEx(argument->publisherId.c_str(), nullptr, nullptr, nullptr, argument->flags);
    WendrixFinalizeEx(nullptr, nullptr, nullptr, 0);
    return S_OK;
  });
}

extern "C" HRESULT WINAPI UninstUnInitialize(UINT_PTR, UINT_PTR, UINT32) { return S_OK; }

extern "C" HRESULT WINAPI WendrixSetup(HWND window, UINT32* errorLocation, UINT_PTR, UINT32, UINT_PTR, UINT_PTR) {
  Report(errorLocation, 0);
  return GuardedCall([&]() -> HRESULT {
    std::uint32_t location = 0;
    SetupSummary summary;
    HRESULT hr = GatherSetupSummary(summary, location);
    if (SUCCEEDED(hr)) hr = RunSetupDialog(window, summary, &RemoveForThisUser, location);
    Report(errorLocation, location);
    return hr;
  });
}

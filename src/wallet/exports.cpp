// The wallet exports: an application downloads (and installs) an item's
// action in its own process; the main program runs one entry and resumes
// the wallet at start-up.
#include <windows.h>

#include "frame/export_guard.h"
#include "wallet/wallet_request.h"
#include "wendrix.h"

using namespace wendrix;

extern "C" HRESULT WINAPI WendrixDownload(const WCHAR* publisher, const WCHAR* item, UINT32 flags,
                                          WENDRIX_PROGRESS_CALLBACK callback, void* context) {
  return GuardedCall([&]() -> HRESULT {
    if (flags & kRequestSelfUpdate) return E_INVALIDARG;
    return RunItemRequest({publisher, item, flags, false, nullptr, nullptr, callback, context});
  });
}

extern "C" HRESULT WINAPI WendrixInstallItem(const WCHAR* publisher, const WCHAR* item, UINT32 flags,
                                             const WCHAR* command, const WCHAR* folder,
                                             WENDRIX_PROGRESS_CALLBACK callback, void* context) {
  return GuardedCall([&]() -> HRESULT {
    if (flags & kRequestSelfUpdate)
      return RunSelfUpdateRequest({publisher, item, flags, true, nullptr, nullptr, callback, context});
    return RunItemRequest({publisher, item, flags, true, command, folder, callback, context});
  });
}

extern "C" HRESULT WINAPI WendrixWallet(UINT32 operation, UINT32 reserved, const WCHAR* id, const WCHAR* command,
                                        const WCHAR* folder) {
  (void)reserved;
  return GuardedCall([&]() -> HRESULT {
    switch (operation) {
      case WENDRIX_WALLET_RUN_ENTRY: return RunWalletEntryById(id, command, folder);
      case WENDRIX_WALLET_RESUME: return ResumeWallet();
      default: return E_INVALIDARG;
    }
  });
}

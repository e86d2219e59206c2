#include "wallet/installer_entry.h"

#include "wallet/entry_pins.h"
#include "wallet/installer_launch.h"
#include "wallet/installer_run.h"

namespace wendrix {

// Whatever the route, a pinned file is hashed again first: the wallet folder
// is the user's, and a file changed there since its download is refused.
HRESULT InstallWalletEntry(WalletEntry& entry) {
  RETURN_IF_FAILED(CheckEntryPins(entry));
  return RunInstaller(entry, kParentMainDialog);
}

HRESULT WaitForWalletInstaller(WalletEntry& entry) { return WaitForEntryLauncher(entry.Id()); }

}  // namespace wendrix

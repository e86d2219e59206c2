#include "wallet/installer_entry.h"

#include "wallet/entry_pins.h"

namespace wendrix {

// Installing needs the installer routes (an ordinary installer through the
// launcher, archives, publisher data files); until they exist an entry that
// reaches its installation ends in Error rather than pretending to succeed.
// Whatever the route, a pinned file is hashed again first: the wallet folder
// is the user's, and a file changed there since its download is refused.
HRESULT InstallWalletEntry(WalletEntry& entry) {
  RETURN_IF_FAILED(CheckEntryPins(entry));
  return kInstallerNotAvailable;
}
HRESULT WaitForWalletInstaller(WalletEntry&) { return kInstallerNotAvailable; }

}  // namespace wendrix

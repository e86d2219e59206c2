#include "wallet/installer_entry.h"

namespace wendrix {

// Installing needs the installer routes (an ordinary installer through the
// launcher, archives, publisher data files); until they exist an entry that
// reaches its installation ends in Error rather than pretending to succeed.
HRESULT InstallWalletEntry(WalletEntry&) { return kInstallerNotAvailable; }
HRESULT WaitForWalletInstaller(WalletEntry&) { return kInstallerNotAvailable; }

}  // namespace wendrix

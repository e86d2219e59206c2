#include "wallet/installer_entry.h"

#include "wallet/installer_launch.h"
#include "wallet/installer_run.h"

namespace wendrix {

HRESULT InstallWalletEntry(WalletEntry& entry) { return RunInstaller(entry, kParentMainDialog); }

HRESULT WaitForWalletInstaller(WalletEntry& entry) { return WaitForEntryLauncher(entry.Id()); }

}  // namespace wendrix

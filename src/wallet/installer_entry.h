#pragma once
// The installation of a downloaded wallet entry, as the entry runner calls it
// once the entry is Installing and installations are its alone.
#include "core/result.h"
#include "wallet/wallet_entry.h"

namespace wendrix {

// What the installer routes answer while the library cannot yet run
// installers: E_NOTIMPL. The entry then ends in Error with this code and is
// deleted, and nothing is run.
inline constexpr HRESULT kInstallerNotAvailable = E_NOTIMPL;

// Runs the entry's installer, archive or publisher data file, once every
// pinned file has its pinned digest (kBadDigest, and nothing run, otherwise).
HRESULT InstallWalletEntry(WalletEntry& entry);
// Waits for an installer an earlier run of this entry launched.
HRESULT WaitForWalletInstaller(WalletEntry& entry);

}  // namespace wendrix

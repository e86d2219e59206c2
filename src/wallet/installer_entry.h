#pragma once
// The installation of a downloaded wallet entry, as the entry runner calls it
// once the entry is Installing and installations are its alone.
#include "core/result.h"
#include "wallet/wallet_entry.h"

namespace wendrix {

// Runs the entry's installer, archive or publisher data file (RunInstaller),
// owned by the main dialog when there is one, once every pinned file has its
// pinned digest (kBadDigest, and nothing run, otherwise).
HRESULT InstallWalletEntry(WalletEntry& entry);
// Waits for an installer an earlier run of this entry launched.
HRESULT WaitForWalletInstaller(WalletEntry& entry);

}  // namespace wendrix

#pragma once
// Making a wallet entry for an action and handing its work to the main
// program, as the download requests and the user interface's queue do.
#include <cstdint>

#include "core/result.h"
#include "publisher/environment.h"
#include "wallet/wallet_store.h"

namespace wendrix {

// The entry of `action` of the publisher's `item`: the wallet's entry for this
// very action (publisher, item, version, architecture, type) filled again,
// keeping its Date, or a new folder. Either way it is Downloading with the
// action's declared size, Date now (for a new one), `flags` (Install dropped
// when the action cannot be installed) and `origin`, and saved.
HRESULT PrepareWalletEntry(CWallet& wallet, const PublisherData& data, const Item& item, const Action& action,
                           std::uint32_t flags, std::uint32_t origin, const PublisherEnvironment& env,
                           WalletEntry& entry);

// Starts the download anew in the main program: the entry's files are
// deleted, its progress, size, LastModified and error reset, and it is
// Downloading with `origin` and Date now, saved, and run by "/d:" + ID.
HRESULT StartEntryDownload(WalletEntry& entry, std::uint32_t origin);

// Starts the installation in the main program, unless a download window of
// the entry runs (S_FALSE, nothing done): Install flag, WaitingToInstall,
// `origin`, saved, and run by "/d:" + ID.
HRESULT StartEntryInstallation(WalletEntry& entry, std::uint32_t origin);

// How many more downloads the user interface may start: the setting
// MaxConcurrentDownloads less the wallet's entries that are Downloading.
std::uint32_t FreeDownloadSlots(const CWallet& wallet, std::uint32_t maxConcurrentDownloads);

}  // namespace wendrix

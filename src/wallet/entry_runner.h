#pragma once
// Runs one wallet entry: downloads its files one after the other (skipping
// those already complete), keeps its Wallet file up to date, tells the
// windows that follow it, logs the download, and moves the entry on to its
// installation when it asks for one.
#include <windows.h>

#include <cstdint>

#include "core/result.h"
#include "update/check_clients.h"
#include "wallet/wallet_entry.h"

namespace wendrix {

// Who hears of the entry's progress: a window of the caller (or the entry's
// download window) and a callback with the caller's context.
struct EntryReceivers {
  HWND notifyWindow = nullptr;
  ClientProgressCallback callback = nullptr;
  void* context = nullptr;
};

// Names of the objects that make installations one at a time on the machine
// and let them wait until every download has ended.
inline constexpr wchar_t kDownloadsPendingEvent[] = L"WendrixWalletDownloadsPending";
inline constexpr wchar_t kWalletInstallationMutex[] = L"WendrixMutex_WalletInstallation";

// Progress notifications are at least this far apart, except the last.
inline constexpr std::uint32_t kProgressIntervalMs = 300;

// An entry without an address to fetch.
inline constexpr HRESULT kNoDownloadUrl = static_cast<HRESULT>(0x80040236);

// Runs the entry (its Status tells where it stands) with the receivers, and
// after a successful installation starts `command` in `folder` (each may be
// null). The entry is saved after every change of state.
HRESULT RunWalletEntry(WalletEntry& entry, const EntryReceivers& receivers, const wchar_t* command,
                       const wchar_t* folder);

}  // namespace wendrix

#pragma once
// One entry of the user's wallet: a download of one publisher action, kept in
// a folder of its own with the downloaded files and the entry's "Wallet.wx-cnf".
// Every field here lives in that file or is rebuilt from it, so that several
// processes can share the wallet through its folders.
#include <cstdint>
#include <string>

#include "publisher/loader.h"
#include "publisher/model.h"

namespace wendrix {

// The second vocabulary of a wallet entry's state, used where the wallet is
// shown to the user or written into a request record.
enum WalletDisplayStatus : std::uint32_t {
  kShowWaitingToDownload = 0, kShowDownloading = 1, kShowDownloadError = 2, kShowDownloaded = 3,
  kShowWaitingToInstall = 4, kShowInstalling = 5, kShowInstalled = 6, kShowInstallError = 7,
};

struct WalletEntry {
  // What the Wallet section holds (ID, status, origin, dates, bytes, flags,
  // the single URL or the resource records of a multi-file action, error).
  // A new entry is Downloaded with no origin, every number 0.
  WalletFields wallet;

  // Progress of the transfer under way; kept in memory only.
  std::uint64_t currentFileSize = 0;
  std::uint64_t currentFileModified = 0;
  std::uint64_t completedBytes = 0;  // bytes of the files finished before the current one
  std::uint64_t transferred = 0;     // bytes on disk in finished files
  std::uint32_t fileIndex = 0;
  std::uint32_t percent = 0;
  bool startLogged = false;
  bool dateKnown = false;
  std::uint32_t lastProgressTick = 0;
  // The name of the file a SHA-256 pin refused last, for the event log.
  std::wstring refusedFile;

  // The item's title (its ID without one) and, when it has a version text, a
  // blank and that text. Built after loading.
  std::wstring displayName;
  // Empty for an entry of the wallet folder; the folder of an explicitly
  // named Wallet file otherwise, where the entry's files are looked up.
  std::wstring destinationFolder;

  // The Wallet file's publisher data. The entry's item and action are the
  // first item and first action of it, present together or not at all.
  PublisherData data;
  bool hasItemAndAction = false;

  const Item* EntryItem() const noexcept { return hasItemAndAction ? &data.items.front() : nullptr; }
  const Action* EntryAction() const noexcept { return hasItemAndAction ? &data.actions.front() : nullptr; }
  const std::wstring& Id() const noexcept { return wallet.id; }
  std::uint32_t Status() const noexcept { return wallet.status; }
};

}  // namespace wendrix

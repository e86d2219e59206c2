#pragma once
// The wallet on disk: one folder per entry under the user's wallet folder,
// each with its downloaded files and its "Wallet.wx-cnf". Everything another
// process may change is read again from the folders when needed.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/result.h"
#include "wallet/entry_naming.h"
#include "wallet/entry_state.h"
#include "wallet/wallet_entry.h"

namespace wendrix {

// The mutex that makes the creation of entry folders one at a time across
// processes.
inline constexpr wchar_t kNewWalletDownloadMutex[] = L"WendrixMutex_NewWalletDownload";
// How often a Wallet file that another process holds is tried, and the pause
// between the attempts.
inline constexpr int kWalletLoadAttempts = 10;
inline constexpr unsigned kWalletLoadRetryMs = 500;

// wallet folder + ID (+ "\" + file name when one is given). The ID must be
// one plain folder name (IsPlainFileName), else kPathNotInsideFolder; a path
// of 258 characters or more gives 0x8007006F.
HRESULT WalletEntryPath(std::wstring_view id, std::wstring_view fileName, std::wstring& path);

// Makes the folder of a new entry for the publisher's item and action and
// returns its ID: EntryIdBase from the publisher's name, the item's title and
// the version text, then the first free name of the base, base_1 ...
// base_999 under "WendrixMutex_NewWalletDownload". E_FAIL when all are taken.
HRESULT CreateWalletEntryFolder(const PublisherData& data, const Item& item, const Action& action, std::wstring& id);

// Loads the entry of the wallet folder named `id` (the folder's name is the
// entry's ID, whatever its file says). 0x80070002 when it has no Wallet file.
HRESULT LoadWalletEntry(std::wstring_view id, WalletEntry& entry);
// Loads the Wallet file at `path`; the entry's files are looked up beside it
// (destinationFolder). E_INVALIDARG for a path without a folder.
HRESULT LoadWalletEntryFile(const std::wstring& path, WalletEntry& entry);

// Writes the entry's Wallet file in its folder in one step (readers see the
// old file or the new one).
HRESULT SaveWalletEntry(const WalletEntry& entry);

// The path of the index-th file, in its temporary form (name + ".tmp") or not.
// kPathNotInsideFolder when the entry has no such plain file name.
HRESULT WalletEntryFilePath(const WalletEntry& entry, std::uint32_t index, bool temporaryForm, std::wstring& path);
inline HRESULT WalletEntryFilePath(const WalletEntry& entry, std::uint32_t index, std::wstring& path) {
  return WalletEntryFilePath(entry, index, UsesTemporaryForm(entry.Status()), path);
}

// The bytes of the entry's files in the given form; a missing file counts 0.
std::uint64_t WalletEntrySizeOnDisk(const WalletEntry& entry, bool temporaryForm);
// Transferred while the entry is Downloading, else the size on disk.
std::uint64_t WalletEntryReportedSize(const WalletEntry& entry);

// Deletes the entry's files in both forms, its Wallet file and its folder
// (when nothing else is left in it). Nothing is reported.
void DeleteWalletEntry(const WalletEntry& entry) noexcept;

// Opens the entry's folder in the shell.
HRESULT OpenWalletEntryFolder(const WalletEntry& entry);

// True when the wallet holds an entry of one of the item's Download actions
// (same publisher, item, action, version and architecture) whose effective
// status is Downloaded, WaitingToInstall, Installing or Installed and whose
// files are all on disk.
bool WalletHoldsDownload(const PublisherData& data, const Item& item);

// The wallet as a list of entries, rebuilt from the folders.
class CWallet {
 public:
  // Loads every entry folder; one that does not load is left out.
  HRESULT LoadAll();
  // The first entry that answers the request; one whose folder is gone is
  // dropped from the list on the way. Null when none.
  WalletEntry* Find(const EntryRequest& request);
  // Deletes the oldest finished entries (NextToPrune) while the entries'
  // Bytes together exceed `limit`; an empty list is loaded first.
  HRESULT Prune(std::uint64_t limit, std::span<const std::wstring> spared);

  std::vector<WalletEntry>& Entries() noexcept { return m_entries; }
  const std::vector<WalletEntry>& Entries() const noexcept { return m_entries; }

 private:
  std::vector<WalletEntry> m_entries;
};

}  // namespace wendrix

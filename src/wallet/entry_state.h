#pragma once
// What an entry's state means: the status it shows, whether it can be
// installed, whether pruning may take it, and which request it answers.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "wallet/wallet_entry.h"

namespace wendrix {

// The stored status, except that an Installed entry with its item and action
// counts as Downloaded when the action has no version, the item's installed
// version was not found, or the action's version is newer than it: the
// installation did not (or no longer does) show.
std::uint32_t EffectiveStatus(const WalletEntry& entry) noexcept;

// The action asks to be installed and has a file to run, and the entry is
// (effectively) Downloading, Downloaded or WaitingToInstall.
bool Installable(const WalletEntry& entry) noexcept;

// The display status of the effective status; `markedForInstall` when the
// list showing a Downloaded entry marks it for installation.
std::uint32_t DisplayStatusOf(const WalletEntry& entry, bool markedForInstall) noexcept;

// The display status word ("WaitingToDownload" ... "InstallError").
const wchar_t* DisplayStatusWord(std::uint32_t displayStatus) noexcept;

// Which entry a request is for: the publisher and item IDs (ignoring case),
// the action's version text when one is given (ignoring case; an entry without one then does
// not match), its architecture when given, and unless `type` is -1 its type,
// types 3 and 0 counting as the same.
struct EntryRequest {
  std::wstring_view publisherId;
  std::wstring_view itemId;
  std::optional<std::wstring_view> version;
  std::optional<std::uint32_t> architecture;
  std::int64_t type = -1;
};
bool AnswersRequest(const WalletEntry& entry, const EntryRequest& request) noexcept;

// The entry pruning takes next: among those Stopped, Error, Downloaded or
// Installed, with a Date and an ID not in `spared`, the one with the oldest
// Date (the first met on a tie). Nothing when none qualifies.
std::optional<std::size_t> NextToPrune(std::span<const WalletEntry> entries, std::span<const std::wstring> spared);

}  // namespace wendrix

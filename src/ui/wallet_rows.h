#pragma once
// The rows of the Wallet view: one per entry, with the status the user
// sees and how far its download has got.
#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <vector>

namespace wendrix {

struct WalletEntry;

struct WalletRow {
  std::wstring id;
  std::wstring name;       // the item's title and version
  std::wstring publisher;  // the publisher's name, else its ID
  std::uint32_t displayStatus = 0;  // WalletDisplayStatus
  std::uint64_t size = 0;           // bytes on disk (transferred so far while downloading)
  std::uint32_t percent = 0;
};

// Percentages the download manager reported, by entry ID.
using DownloadProgress = std::map<std::wstring, std::uint32_t>;

// The percentage a row shows: a finished download (Downloaded and beyond)
// 100; a download under way what was last reported for it (at most 100);
// otherwise 0.
std::uint32_t RowPercent(std::uint32_t displayStatus, const std::uint32_t* reported) noexcept;

// The rows of `entries` in their order (newest first is the caller's
// choice of order); an entry's name falls back to its ID.
std::vector<WalletRow> BuildWalletRows(std::span<const WalletEntry> entries, const DownloadProgress& progress);

}  // namespace wendrix

#include "ui/wallet_rows.h"

#include <algorithm>

#include "wallet/entry_state.h"
#include "wallet/wallet_store.h"

namespace wendrix {

std::uint32_t RowPercent(std::uint32_t displayStatus, const std::uint32_t* reported) noexcept {
  switch (displayStatus) {
    case kShowDownloaded:
    case kShowWaitingToInstall:
    case kShowInstalling:
    case kShowInstalled:
    case kShowInstallError:
      return 100;
    case kShowDownloading:
      return reported ? std::min<std::uint32_t>(*reported, 100) : 0;
    default:
      return 0;
  }
}

std::vector<WalletRow> BuildWalletRows(std::span<const WalletEntry> entries, const DownloadProgress& progress) {
  std::vector<WalletRow> rows;
  rows.reserve(entries.size());
  for (const WalletEntry& entry : entries) {
    WalletRow row;
    row.id = entry.Id();
    row.name = entry.displayName.empty() ? entry.Id() : entry.displayName;
    row.publisher = entry.data.publisher.name.empty() ? entry.data.publisher.id : entry.data.publisher.name;
    row.displayStatus = DisplayStatusOf(entry, false);
    row.size = WalletEntryReportedSize(entry);
    const auto reported = progress.find(entry.Id());
    row.percent = RowPercent(row.displayStatus, reported == progress.end() ? nullptr : &reported->second);
    rows.push_back(std::move(row));
  }
  return rows;
}

}  // namespace wendrix

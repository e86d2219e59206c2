#include "ui/item_rows.h"

#include <algorithm>

#include "core/version.h"
#include "publisher/builtin_publishers.h"
#include "publisher/model.h"
#include "registration/publisher_record.h"
#include "resources/string_ids.h"
#include "update/item_flags.h"

namespace wendrix {

std::uint32_t PublisherStatusString(const PublisherRecord& record) noexcept {
  if (record.attempted == 0) return kStrPublisherStatusNew;
  if (record.failedLastCheck == 0) return kStrPublisherStatusActive;
  if (record.failedLastCheck == 2) return kStrPublisherStatusNeedsSelfUpdate;
  return kStrPublisherStatusError;
}

ItemStatus StatusOfItem(const std::wstring* installed, std::wstring_view latest, bool isNew) noexcept {
  if (!installed) return isNew ? ItemStatus::kNew : ItemStatus::kNotInstalled;
  if (latest.empty()) return ItemStatus::kInstalled;
  if (CompareVersions(latest, std::wstring_view(*installed)) == kVersionNewer)
    return isNew ? ItemStatus::kNewUpdate : ItemStatus::kUpdate;
  return ItemStatus::kUpToDate;
}

ItemGroup GroupOfStatus(ItemStatus status) noexcept {
  switch (status) {
    case ItemStatus::kUpdate:
    case ItemStatus::kNewUpdate:
      return ItemGroup::kUpdates;
    case ItemStatus::kInstalled:
    case ItemStatus::kUpToDate:
      return ItemGroup::kInstalled;
    default:
      return ItemGroup::kNotInstalled;
  }
}

ItemRows BuildItemRows(std::span<const PublisherRecord> records, std::wstring_view onlyPublisherId,
                       std::span<const std::wstring> inactiveItems) {
  ItemRows built;
  std::vector<ItemRow>& rows = built.rows;
  for (std::size_t index = 0; index < records.size(); ++index) {
    const PublisherRecord& record = records[index];
    const std::wstring_view inactive = index < inactiveItems.size() ? std::wstring_view(inactiveItems[index]) : L"";
    if (IsDirectoryPublisher(record.id) || IsSelfPublisher(record)) continue;
    if (!onlyPublisherId.empty() && record.id != onlyPublisherId) continue;
    ItemRow own;
    own.publisherId = record.id;
    own.publisher = record.name.empty() ? record.id : record.name;
    own.status = PublisherStatusString(record);
    rows.push_back(own);
    if (!record.model) continue;
    for (const Item& item : record.model->items) {
      if (item.id.empty() || (item.flags & kItemInvisible)) continue;
      ItemRow row;
      row.publisherId = record.id;
      row.itemId = item.id;
      row.publisher = own.publisher;
      row.title = item.title.empty() ? item.id : item.title;
      if (item.installedVersion) row.installed = *item.installedVersion;
      row.latest = item.latestVersion;
      const ItemStatus status =
          StatusOfItem(item.installedVersion ? &*item.installedVersion : nullptr, item.latestVersion,
                       (item.flags & kItemNew) != 0);
      row.status = static_cast<std::uint32_t>(status);
      row.group = GroupOfStatus(status);
      if (!inactive.empty() && IsInactiveItem(inactive, item.id)) {
        if (row.group == ItemGroup::kUpdates) ++built.hiddenWithUpdates;
        continue;
      }
      rows.push_back(std::move(row));
    }
  }
  std::stable_sort(rows.begin(), rows.end(),
                   [](const ItemRow& a, const ItemRow& b) { return a.group < b.group; });
  return built;
}

}  // namespace wendrix

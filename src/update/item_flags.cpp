#include "update/item_flags.h"

#include "core/string_util.h"
#include "core/text_lines.h"
#include "core/version.h"
#include "publisher/vocabulary.h"

namespace wendrix {
namespace {

bool HasAddress(const Action& action) noexcept { return !action.urls.empty() || !action.resources.empty(); }

bool IsNewer(std::wstring_view version, const std::optional<std::wstring>& installed) {
  return CompareVersions(version, installed ? std::wstring_view(*installed) : std::wstring_view()) == kVersionNewer;
}

}  // namespace

bool GroupNamesItem(const Group& group, std::wstring_view itemId) noexcept {
  for (const std::wstring& id : group.itemIds)
    if (CStringUtil::EqualsNoCase(id, itemId)) return true;
  return false;
}

bool IsInactiveItem(std::wstring_view inactiveItems, std::wstring_view itemId) noexcept {
  CTextLines lines(inactiveItems);
  std::wstring_view line;
  while (lines.Next(line))
    if (!line.empty() && CStringUtil::EqualsNoCase(line, itemId)) return true;
  return false;
}

const Action* UpdateDelivery(const PublisherData& data, const Item& item, const PublisherEnvironment& env) {
  if (const Action* update = BestAction(data, item, kRequestUpdate, false, true, env)) return update;
  return BestAction(data, item, kRequestGeneric, false, false, env);
}

std::uint32_t ItemFlagsOf(const PublisherData& data, const Item& item, std::wstring_view inactiveItems,
                          bool detailed, const PublisherEnvironment& env) {
  std::uint32_t flags = 0;
  for (const std::wstring& id : item.actionIds) {
    const Action* action = data.FindAction(id);
    if (!action) continue;
    if (action->type == kActionDownload) {
      if (detailed && HasAddress(*action)) flags |= kItemFlagDownloadable;
    } else if (action->type == kActionBuy && detailed && HasAddress(*action) &&
               IsNewer(action->version, item.installedVersion)) {
      flags |= kItemFlagBuyable;
    }
  }
  if (item.installedVersion && IsNewer(item.latestVersion, item.installedVersion) &&
      !IsInactiveItem(inactiveItems, item.id)) {
    const Action* delivering = UpdateDelivery(data, item, env);
    if (delivering && IsNewer(delivering->version, item.installedVersion)) flags |= kItemFlagUpdate;
  }
  return flags;
}

}  // namespace wendrix

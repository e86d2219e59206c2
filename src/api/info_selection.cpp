#include "api/info_selection.h"

#include <string_view>

#include "publisher/builtin_publishers.h"
#include "publisher/hidden_data.h"

namespace wendrix {

// A publisher whose data hides it from this library is left out so that the
// user does not see a publisher whose items never appear; the directory of
// publishers is something to browse, not a publisher to switch on or off.
// The library's own publisher, which every store holds for the self-update,
// is listed only where a list registers it.
bool IsListedPublisher(const PublisherRecord& record) noexcept {
  if (IsSelfPublisher(record) && (record.present & ~kCheckStateKeys) == 0) return false;
  return !HidesFromThisLibrary(record.dataText) && !IsDirectoryPublisher(record.id);
}

HRESULT SelectItems(const PublisherData& data, const wchar_t* groupId, bool all, std::vector<const Item*>& items) {
  items.clear();
  const auto add = [&](const Item* item) {
    if (item && item->type != kItemInvalid) items.push_back(item);
  };
  if (!all && groupId && *groupId) {
    const Group* group = data.FindGroup(groupId);
    if (!group) return kInfoNotFound;
    for (const std::wstring& id : group->itemIds) add(data.FindItem(id));
    return S_OK;
  }
  for (const Item& item : data.items)
    if (all || !(item.flags & kItemGrouped)) add(&item);
  return S_OK;
}

}  // namespace wendrix

#include "api/info_selection.h"

#include <string_view>

#include "core/string_util.h"
#include "publisher/builtin_publishers.h"

namespace wendrix {
namespace {

// A publisher hides itself from this library by a data file with an invalid
// "Type = Hide" line: the stored-data load fails on it and passes over it
// without an error, and the lists leave it out so that the user does not see
// a publisher whose items never appear.
constexpr std::wstring_view kHiddenMarker = L"Type = Hide";

// The product's directory of publishers is something the user browses to add
// publishers, not a publisher to switch on or off; checks leave it out too.
constexpr std::wstring_view kDirectoryAlias = L"KestmoorDirectory";

}  // namespace

bool IsListedPublisher(const PublisherRecord& record) noexcept {
  if (record.dataText.find(kHiddenMarker) != std::wstring::npos) return false;
  const BuiltinPublisher* directory = FindBuiltinPublisher(kDirectoryAlias);
  return !directory || !CStringUtil::EqualsNoCase(record.id, directory->id);
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

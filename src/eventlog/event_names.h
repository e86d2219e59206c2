#pragma once
// The names an event record shows for the IDs its caller passed: the group's
// and item's names from the publisher data, and the version label of the
// Download action that the item was downloaded by.
#include <optional>
#include <string>
#include <string_view>

#include "publisher/model.h"

namespace wendrix {

// The label of a Download action: its Version in the item's display style
// when it parses as a version, else as written; then " x86" or " x64" when
// the action is for that architecture only. At most 80 characters. Null for
// an action that is not a Download action.
std::optional<std::wstring> DownloadVersionLabel(const PublisherData& data, const Item& item, const Action& action);

// The Item value of a record: the item's name, followed by a blank and the
// version label when `actionId` names one of the publisher's Download
// actions; the ID itself when the item is unknown.
std::wstring EventItemName(const PublisherData& data, std::wstring_view itemId, const wchar_t* actionId);
// The Group value: the group's name, else the ID itself.
std::wstring EventGroupName(const PublisherData& data, std::wstring_view groupId);

}  // namespace wendrix

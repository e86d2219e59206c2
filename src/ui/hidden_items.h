#pragma once
// The items a user hid from All Items: each publisher's inactive-items file
// (one item ID per line), which a check also reads so that a hidden item
// offers no update to applications.
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/result.h"
#include "registration/publisher_record.h"

namespace wendrix {

// The inactive-items text of each record, by index; a record without the
// file (or whose file cannot be read) has an empty text.
std::vector<std::wstring> ReadHiddenItems(std::span<const PublisherRecord> records);

// Adds the item's ID to the publisher's inactive items, read and written
// under the file's mutex so that a check pruning the file meanwhile loses
// neither change. An ID already there is not added again. E_INVALIDARG for
// an empty ID or one holding a line break (it would add another line).
HRESULT HideItem(const PublisherRecord& record, std::wstring_view itemId);

// Deletes the publisher's inactive items: every hidden item is listed again.
HRESULT RestoreHiddenItems(const PublisherRecord& record);

}  // namespace wendrix

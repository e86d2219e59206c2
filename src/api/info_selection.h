#pragma once
// What the information export lists: which registered publishers, and which
// items of a publisher's loaded data.
#include <vector>

#include "core/result.h"
#include "publisher/model.h"
#include "registration/publisher_record.h"

namespace wendrix {

// Win32 error 1168 (ERROR_NOT_FOUND) wrapped: no such publisher or group.
inline constexpr HRESULT kInfoNotFound = HResultFromWin32(1168);

// True when the publisher list shows the publisher: its data text (which
// the caller reads) does not hide it (HidesFromThisLibrary), and it is not
// the product's directory of publishers.
bool IsListedPublisher(const PublisherRecord& record) noexcept;

// The items to list, in data-file order, leaving out items without a type.
// With `all`, every item. Otherwise, with a group ID (not null or empty), the
// items that group names and that exist (kInfoNotFound when the group does
// not exist); without one, the items that no group names.
HRESULT SelectItems(const PublisherData& data, const wchar_t* groupId, bool all, std::vector<const Item*>& items);

}  // namespace wendrix

#pragma once
// The information export for the product's own components: the registered
// publishers, a publisher's groups and items, the identity of a data file,
// and switching a publisher on or off for checks. Records (declared in
// wendrix.h) are appended to the caller's list of record pointers; their
// texts are GlobalAlloc'd copies.
#include <cstdint>

#include "core/buffer.h"
#include "core/result.h"

namespace wendrix {

// The list type the records go to: the library's ordered pointer list.
using InfoList = CBuffer<void*>;

enum InfoQuery : std::uint32_t {
  kInfoPublishers = 10,     // WENDRIX_PUBLISHER_INFO records
  kInfoGroups = 11,         // WENDRIX_GROUP_INFO records
  kInfoUngroupedItems = 12, // WENDRIX_ITEM_INFO records: a group's items, or those of no group
  kInfoAllItems = 13,       // WENDRIX_ITEM_INFO records
  kInfoDataFile = 14,       // fills the caller's WENDRIX_DATA_FILE_INFO
  kInfoSetEnabled = 15,     // `out` points to the new Enabled value
};

// Operation 0 (get). `out` is the InfoList (queries 10 to 13), the record to
// fill (14) or the Enabled value (15); E_POINTER when null, E_INVALIDARG for
// another query. Queries 11 to 13 and 15 need the publisher (E_POINTER when
// null; kInfoNotFound when neither an ID nor a name matches); query 14 takes
// the data file's path in `publisher`. Failures of the store, the data load,
// the data file and the list file are returned. When an allocation fails
// midway (E_OUTOFMEMORY) the records already appended stay in the list.
HRESULT GetInfo(std::uint32_t query, const wchar_t* publisher, const wchar_t* group, void* out);

// Operation 1 (free): destroys every record of a list filled by query 10 to
// 13 and empties it. Other queries: S_OK, nothing done. E_POINTER without a
// list.
HRESULT FreeInfo(std::uint32_t query, void* out);

}  // namespace wendrix

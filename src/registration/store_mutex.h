#pragma once
// The store's named mutexes, held with NamedMutexLock. Each file family has
// its own; those of files every user shares are opened with
// MutexUsers::kAnyUser.
#include "platform/named_mutex.h"

namespace wendrix {

inline constexpr wchar_t kPublisherMutex[] = L"WendrixMutex_Publisher";                       // lists, counters
inline constexpr wchar_t kDataFileMutex[] = L"WendrixMutex_PublisherDataFile";                // <ID>.ini
inline constexpr wchar_t kPreviousItemsMutex[] = L"WendrixMutex_PublisherPreviousItems";      // <ID>.prv
inline constexpr wchar_t kInactiveItemsMutex[] = L"WendrixMutex_PublisherDeletedItems";       // <ID>.ina
inline constexpr wchar_t kIconsMutex[] = L"WendrixMutex_PublisherIcons";                      // icon files

}  // namespace wendrix

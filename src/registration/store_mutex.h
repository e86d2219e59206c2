#pragma once
// The store's named mutexes. Each file family has its own; the holder waits
// without time-out and an abandoned mutex counts as owned.
#include <windows.h>

#include <optional>

#include "core/result.h"
#include "platform/unique_handle.h"

namespace wendrix {

inline constexpr wchar_t kPublisherMutex[] = L"WendrixMutex_Publisher";                       // lists, counters
inline constexpr wchar_t kDataFileMutex[] = L"WendrixMutex_PublisherDataFile";                // <ID>.ini
inline constexpr wchar_t kPreviousItemsMutex[] = L"WendrixMutex_PublisherPreviousItems";      // <ID>.prv
inline constexpr wchar_t kInactiveItemsMutex[] = L"WendrixMutex_PublisherDeletedItems";       // <ID>.ina
inline constexpr wchar_t kIconsMutex[] = L"WendrixMutex_PublisherIcons";                      // icon files

// Holds one of the store's mutexes from Acquire until destroyed. The mutex
// itself stays open for the rest of the process.
class StoreMutexLock {
 public:
  StoreMutexLock() = default;
  StoreMutexLock(const StoreMutexLock&) = delete;
  StoreMutexLock& operator=(const StoreMutexLock&) = delete;

  // Opens or creates the mutex and waits for it. `allUsers`: it guards files
  // of every user, so it gets a null access list that lets any user's
  // process open it. The wrapped Windows error when it cannot be created or
  // waited for.
  HRESULT Acquire(const wchar_t* name, bool allUsers);

 private:
  std::optional<MutexLock> m_lock;
};

}  // namespace wendrix

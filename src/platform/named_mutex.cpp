#include "platform/named_mutex.h"

#include <algorithm>
#include <mutex>
#include <utility>
#include <new>
#include <string>
#include <vector>

#include "platform/unique_handle.h"

namespace wendrix {
namespace {

class MutexTable {
 public:
  HRESULT Get(const wchar_t* name, MutexUsers users, HANDLE& mutex) {
    const std::lock_guard<std::mutex> guard(m_guard);
    for (const Entry& entry : m_entries) {
      if (entry.name == name) {
        mutex = entry.handle.Get();
        return S_OK;
      }
    }
    UniqueKernelObject created;
    RETURN_IF_FAILED(Create(name, users, created));
    m_entries.push_back(Entry{name, std::move(created)});
    mutex = m_entries.back().handle.Get();
    return S_OK;
  }

 private:
  struct Entry {
    std::wstring name;
    UniqueKernelObject handle;
  };

  static HRESULT Create(const wchar_t* name, MutexUsers users, UniqueKernelObject& mutex) {
    SECURITY_DESCRIPTOR descriptor;
    SECURITY_ATTRIBUTES attributes{sizeof(attributes), nullptr, FALSE};
    if (users == MutexUsers::kAnyUser) {
      // A present but empty (null) access list grants everyone access.
      RETURN_LAST_ERROR_IF(!InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) ||
                           !SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE));
      attributes.lpSecurityDescriptor = &descriptor;
    }
    mutex.Reset(CreateMutexW(users == MutexUsers::kAnyUser ? &attributes : nullptr, FALSE, name));
    RETURN_LAST_ERROR_IF(!mutex);
    return S_OK;
  }

  std::mutex m_guard;
  std::vector<Entry> m_entries;
};

MutexTable& Mutexes() {
  static MutexTable table;
  return table;
}

// The mutexes this thread's locks hold, once per lock. A mutex is waited for
// by the thread's first lock on it and released with its last: a lock taken
// inside another lock's hold (a run of reads under one hold, each read
// locking for itself) costs no round trip to the system. Plain data: a
// thread-local object with a destructor would have this library's code run
// at the exit of every thread that took a lock, perhaps after the library
// was unloaded. A thread holds a few locks at most; one beyond the room
// waits and releases for itself, as a mutex its owner waits for again
// allows.
struct HeldLocks {
  static constexpr std::size_t kRoom = 16;
  HANDLE mutexes[kRoom];
  std::size_t count;

  HANDLE* End() noexcept { return mutexes + count; }
  bool Holds(HANDLE mutex) noexcept { return std::find(mutexes, End(), mutex) != End(); }
};
thread_local HeldLocks t_held{};

}  // namespace

HRESULT NamedMutexLock::Acquire(const wchar_t* name, MutexUsers users) {
  Release();
  HANDLE mutex = nullptr;
  try {
    RETURN_IF_FAILED(Mutexes().Get(name, users, mutex));
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  HeldLocks& held = t_held;
  m_listed = held.count < HeldLocks::kRoom;
  if (!m_listed || !held.Holds(mutex)) {
    const DWORD wait = WaitForSingleObject(mutex, INFINITE);
    RETURN_LAST_ERROR_IF(wait != WAIT_OBJECT_0 && wait != WAIT_ABANDONED);
  }
  if (m_listed) held.mutexes[held.count++] = mutex;
  m_held = mutex;
  return S_OK;
}

void NamedMutexLock::Release() noexcept {
  if (!m_held) return;
  const HANDLE mutex = std::exchange(m_held, nullptr);
  HeldLocks& held = t_held;
  HANDLE* const listed = m_listed ? std::find(held.mutexes, held.End(), mutex) : held.End();
  // Not listed (beyond the room, or ended on another thread): its own wait.
  if (listed == held.End()) {
    ReleaseMutex(mutex);
    return;
  }
  std::copy(listed + 1, held.End(), listed);
  --held.count;
  if (!held.Holds(mutex)) ReleaseMutex(mutex);
}

}  // namespace wendrix

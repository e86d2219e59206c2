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
// locking for itself) costs no round trip to the system.
thread_local std::vector<HANDLE> t_held;

}  // namespace

HRESULT NamedMutexLock::Acquire(const wchar_t* name, MutexUsers users) {
  Release();
  HANDLE mutex = nullptr;
  try {
    RETURN_IF_FAILED(Mutexes().Get(name, users, mutex));
    t_held.reserve(t_held.size() + 1);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  if (std::find(t_held.begin(), t_held.end(), mutex) == t_held.end()) {
    const DWORD wait = WaitForSingleObject(mutex, INFINITE);
    RETURN_LAST_ERROR_IF(wait != WAIT_OBJECT_0 && wait != WAIT_ABANDONED);
  }
  t_held.push_back(mutex);  // room was made above
  m_held = mutex;
  return S_OK;
}

void NamedMutexLock::Release() noexcept {
  if (!m_held) return;
  const HANDLE mutex = std::exchange(m_held, nullptr);
  const auto held = std::find(t_held.begin(), t_held.end(), mutex);
  if (held != t_held.end()) t_held.erase(held);
  if (std::find(t_held.begin(), t_held.end(), mutex) == t_held.end()) ReleaseMutex(mutex);
}

}  // namespace wendrix

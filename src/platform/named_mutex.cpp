#include "platform/named_mutex.h"

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

}  // namespace

HRESULT NamedMutexLock::Acquire(const wchar_t* name, MutexUsers users) {
  Release();
  HANDLE mutex = nullptr;
  try {
    RETURN_IF_FAILED(Mutexes().Get(name, users, mutex));
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  const DWORD wait = WaitForSingleObject(mutex, INFINITE);
  RETURN_LAST_ERROR_IF(wait != WAIT_OBJECT_0 && wait != WAIT_ABANDONED);
  m_held = mutex;
  return S_OK;
}

void NamedMutexLock::Release() noexcept {
  if (m_held) ReleaseMutex(std::exchange(m_held, nullptr));
}

}  // namespace wendrix

#include "registration/store_mutex.h"

#include <cwchar>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace wendrix {
namespace {

// The store's mutexes are opened once per process and kept until the library
// is unloaded: creating a named object is a round trip to the system's object
// manager (about a sixth of a millisecond under Wine), and a check takes
// several locks per publisher.
class MutexTable {
 public:
  HRESULT Get(const wchar_t* name, bool allUsers, HANDLE& mutex) {
    const std::lock_guard<std::mutex> guard(m_guard);
    for (const Entry& entry : m_entries) {
      if (entry.name == name) {
        mutex = entry.handle.Get();
        return S_OK;
      }
    }
    UniqueKernelObject created;
    RETURN_IF_FAILED(Create(name, allUsers, created));
    mutex = created.Get();
    m_entries.push_back(Entry{name, std::move(created)});
    return S_OK;
  }

 private:
  struct Entry {
    std::wstring name;
    UniqueKernelObject handle;
  };

  static HRESULT Create(const wchar_t* name, bool allUsers, UniqueKernelObject& mutex) {
    SECURITY_DESCRIPTOR descriptor;
    SECURITY_ATTRIBUTES attributes{sizeof(attributes), nullptr, FALSE};
    if (allUsers) {
      // A present but empty (null) access list grants everyone access.
      if (!InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) ||
          !SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE))
        return LastErrorResult();
      attributes.lpSecurityDescriptor = &descriptor;
    }
    mutex.Reset(CreateMutexW(allUsers ? &attributes : nullptr, FALSE, name));
    return mutex ? S_OK : LastErrorResult();
  }

  std::mutex m_guard;
  std::vector<Entry> m_entries;
};

MutexTable& Mutexes() {
  static MutexTable table;
  return table;
}

}  // namespace

HRESULT StoreMutexLock::Acquire(const wchar_t* name, bool allUsers) {
  m_lock.reset();
  HANDLE mutex = nullptr;
  try {
    RETURN_IF_FAILED(Mutexes().Get(name, allUsers, mutex));
  } catch (const std::exception&) {
    return E_OUTOFMEMORY;
  }
  m_lock.emplace(mutex);
  if (!m_lock->Owned()) {
    const DWORD error = GetLastError();
    m_lock.reset();
    return HResultFromWin32(error ? static_cast<long>(error) : ERROR_INVALID_HANDLE);
  }
  return S_OK;
}

}  // namespace wendrix

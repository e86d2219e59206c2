#include "registration/store_mutex.h"

namespace wendrix {

HRESULT StoreMutexLock::Acquire(const wchar_t* name, bool allUsers) {
  m_lock.reset();
  SECURITY_DESCRIPTOR descriptor;
  SECURITY_ATTRIBUTES attributes{sizeof(attributes), nullptr, FALSE};
  if (allUsers) {
    // A present but empty (null) access list grants everyone access.
    if (!InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) ||
        !SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE))
      return HResultFromWin32(static_cast<long>(GetLastError()));
    attributes.lpSecurityDescriptor = &descriptor;
  }
  m_mutex.Reset(CreateMutexW(allUsers ? &attributes : nullptr, FALSE, name));
  if (!m_mutex) return HResultFromWin32(static_cast<long>(GetLastError()));
  m_lock.emplace(m_mutex.Get());
  if (!m_lock->Owned()) {
    const DWORD error = GetLastError();
    m_lock.reset();
    return HResultFromWin32(error ? static_cast<long>(error) : ERROR_INVALID_HANDLE);
  }
  return S_OK;
}

}  // namespace wendrix

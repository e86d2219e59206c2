#pragma once
// The system's list of files to replace at the next start, which tests that
// schedule a replacement read and then put back as it was.
#include <windows.h>

#include <cwchar>
#include <string>
#include <vector>

namespace wendrix::test {

inline constexpr wchar_t kSessionManagerKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";

inline std::vector<std::wstring> PendingRenames() {
  std::vector<wchar_t> data(65536);
  DWORD size = static_cast<DWORD>(data.size() * sizeof(wchar_t));
  std::vector<std::wstring> entries;
  if (RegGetValueW(HKEY_LOCAL_MACHINE, kSessionManagerKey, L"PendingFileRenameOperations", RRF_RT_REG_MULTI_SZ,
                   nullptr, data.data(), &size) != ERROR_SUCCESS)
    return entries;
  for (const wchar_t* p = data.data(); *p; p += std::wcslen(p) + 1) entries.emplace_back(p);
  return entries;
}

// Keeps the list as it was when made and writes it back when destroyed.
class PendingRenamesGuard {
 public:
  PendingRenamesGuard() : m_before(PendingRenames()) {}
  PendingRenamesGuard(const PendingRenamesGuard&) = delete;
  PendingRenamesGuard& operator=(const PendingRenamesGuard&) = delete;
  ~PendingRenamesGuard() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManagerKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
    std::wstring multi;
    for (const std::wstring& entry : m_before) multi += entry + L'\0';
    multi += L'\0';
    if (m_before.empty()) RegDeleteValueW(key, L"PendingFileRenameOperations");
    else RegSetValueExW(key, L"PendingFileRenameOperations", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(multi.data()),
                        static_cast<DWORD>(multi.size() * sizeof(wchar_t)));
    RegCloseKey(key);
  }
  const std::vector<std::wstring>& Before() const noexcept { return m_before; }

 private:
  std::vector<std::wstring> m_before;
};

}  // namespace wendrix::test

#include "sysinfo/driver_file.h"

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <vector>

#include "platform/file_version.h"

namespace wendrix {
namespace {

// Turns off the file-system redirection of a 32-bit process on 64-bit
// Windows for the calling thread while it lives: driver paths name
// system32\drivers, which the redirection would turn into the 32-bit system
// folder. Elsewhere the functions are missing or fail, and nothing changes.
class NativeFileSystemView {
 public:
  NativeFileSystemView() noexcept {
    const HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
    if (!kernel32) return;
    const auto disable = reinterpret_cast<BOOL(WINAPI*)(PVOID*)>(
        reinterpret_cast<void*>(GetProcAddress(kernel32, "Wow64DisableWow64FsRedirection")));
    m_revert = reinterpret_cast<BOOL(WINAPI*)(PVOID)>(
        reinterpret_cast<void*>(GetProcAddress(kernel32, "Wow64RevertWow64FsRedirection")));
    m_disabled = disable && m_revert && disable(&m_state);
  }
  NativeFileSystemView(const NativeFileSystemView&) = delete;
  NativeFileSystemView& operator=(const NativeFileSystemView&) = delete;
  ~NativeFileSystemView() {
    if (m_disabled) m_revert(m_state);
  }

 private:
  BOOL(WINAPI* m_revert)(PVOID) = nullptr;
  PVOID m_state = nullptr;
  bool m_disabled = false;
};

}  // namespace

std::optional<std::wstring> ReadDriverCompanyName(const std::wstring& path) {
  const NativeFileSystemView view;
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
  if (size == 0) return std::nullopt;
  std::vector<BYTE> block(size);
  if (!GetFileVersionInfoW(path.c_str(), 0, size, block.data())) return std::nullopt;
  void* translation = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", &translation, &length) || !translation ||
      length < 2 * sizeof(WORD))
    return std::nullopt;
  const WORD* codes = static_cast<const WORD*>(translation);
  wchar_t key[64];
  swprintf(key, ARRAYSIZE(key), L"\\StringFileInfo\\%04x%04x\\CompanyName", codes[0], codes[1]);
  void* text = nullptr;
  if (!VerQueryValueW(block.data(), key, &text, &length) || !text) return std::nullopt;
  const wchar_t* name = static_cast<const wchar_t*>(text);
  // The length counts the terminating zero when there is one.
  return std::wstring(name, wcsnlen(name, length));
}

std::optional<VersionParts> ReadDriverVersion(const std::wstring& path) {
  const NativeFileSystemView view;
  return ReadFileVersion(path.c_str());
}

}  // namespace wendrix

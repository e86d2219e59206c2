#pragma once
// Registry isolation for tests.
#include <windows.h>

#include <string>

namespace wendrix::test {

// Redirects HKEY_CURRENT_USER (and optionally HKEY_LOCAL_MACHINE) of this
// process into a fresh temporary key for the lifetime of the object. Only the
// calling process is affected; the 32-bit view of HKLM is not redirected.
class RegistrySandbox {
 public:
  explicit RegistrySandbox(bool redirectLocalMachine = false);
  RegistrySandbox(const RegistrySandbox&) = delete;
  RegistrySandbox& operator=(const RegistrySandbox&) = delete;
  ~RegistrySandbox();

 private:
  std::wstring m_path;
  HKEY m_user = nullptr;
  HKEY m_machine = nullptr;
};

// A scratch key under HKEY_CURRENT_USER\Software, deleted with its subkeys at
// the end of the test.
class ScratchKey {
 public:
  ScratchKey();
  ScratchKey(const ScratchKey&) = delete;
  ScratchKey& operator=(const ScratchKey&) = delete;
  ~ScratchKey();
  const std::wstring& Path() const noexcept { return m_path; }

 private:
  std::wstring m_path;
};

// Deletes a key tree in the given view; no error when it does not exist.
void DeleteKeyTree(HKEY root, const std::wstring& path, REGSAM view);
// Writes a REG_SZ value, creating the key.
void SetStringValue(HKEY root, const std::wstring& path, const wchar_t* name, const std::wstring& value, REGSAM view);

}  // namespace wendrix::test

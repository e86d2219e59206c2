#include "registry_sandbox.h"

#include <gtest/gtest.h>

#include <atomic>

#include "platform/registry.h"

namespace wendrix::test {
namespace {

std::wstring UniqueKeyName(const wchar_t* prefix) {
  static std::atomic<unsigned> counter{0};
  return std::wstring(L"Software\\WendrixTests\\") + prefix + std::to_wstring(GetCurrentProcessId()) + L"-" +
         std::to_wstring(counter++);
}

}  // namespace

RegistrySandbox::RegistrySandbox(bool redirectLocalMachine) : m_path(UniqueKeyName(L"sandbox-")) {
  auto create = [&](const wchar_t* sub, HKEY& key) {
    const std::wstring path = m_path + L"\\" + sub;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
      ADD_FAILURE() << "cannot create the registry sandbox";
  };
  create(L"user", m_user);
  if (redirectLocalMachine) create(L"machine", m_machine);
  // The machine key is redirected first: its sandbox lives under the real HKCU.
  if (m_machine) RegOverridePredefKey(HKEY_LOCAL_MACHINE, m_machine);
  RegOverridePredefKey(HKEY_CURRENT_USER, m_user);
}

RegistrySandbox::~RegistrySandbox() {
  RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
  if (m_machine) RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
  if (m_user) RegCloseKey(m_user);
  if (m_machine) RegCloseKey(m_machine);
  DeleteKeyTree(HKEY_CURRENT_USER, m_path, 0);
}

ScratchKey::ScratchKey() : m_path(UniqueKeyName(L"scratch-")) {}
ScratchKey::~ScratchKey() { DeleteKeyTree(HKEY_CURRENT_USER, m_path, 0); }

void DeleteKeyTree(HKEY root, const std::wstring& path, REGSAM view) { DeleteRegistryTree(root, path, view); }

void SetStringValue(HKEY root, const std::wstring& path, const wchar_t* name, const std::wstring& value, REGSAM view) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_WRITE | view, nullptr, &key, nullptr) != ERROR_SUCCESS) {
    ADD_FAILURE() << "cannot create a registry key";
    return;
  }
  RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                 static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
}

}  // namespace wendrix::test

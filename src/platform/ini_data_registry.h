#pragma once
// CIniDataRegistry: INI data held in a registry key. The key's own values are
// keys outside any section; each direct subkey is a section holding that
// subkey's values. Only one level of subkeys is read.
#include <windows.h>

#include <string>

#include "core/ini_data.h"
#include "platform/registry.h"

namespace wendrix {

class CIniDataRegistry : public CIniData {
 public:
  // `view` is 0, KEY_WOW64_32KEY or KEY_WOW64_64KEY, or-ed into every open.
  CIniDataRegistry(HKEY root, std::wstring path, REGSAM view = 0) : m_root(root), m_path(std::move(path)), m_view(view) {}

  // Reads the key. No key path: 0x80070006; registry errors come back wrapped.
  HRESULT Load(IniSchema schema) override;
  // Deletes the key with its subkeys and writes the entries anew: texts as
  // REG_SZ, numbers as REG_DWORD, lists as REG_MULTI_SZ. A subkey or value
  // that cannot be written ends the save with E_OUTOFMEMORY; what was written
  // before stays.
  HRESULT Save(std::uint32_t flags) override;

 private:
  HRESULT LoadValues(const RegistryKey& key, const wchar_t* section, IniSchema schema);

  HKEY m_root;
  std::wstring m_path;
  REGSAM m_view;
};

}  // namespace wendrix

#include "registration/settings_conversion.h"

#include <windows.h>

#include <string>
#include <vector>

#include "platform/registry.h"
#include "frame/product_folder.h"
#include "setup/journal.h"
#include "frame/product_keys.h"

namespace wendrix {
namespace {

constexpr const wchar_t* kOlderKeys[] = {L"Software\\Kestmoor\\Pellister\\3.0", L"Software\\Kestmoor\\Pellister\\2.0",
                                         L"Software\\Kestmoor\\Pellister\\1.0"};

// Copies every value of `from` into `to`, as stored.
void CopyValues(const RegistryKey& from, RegistryKey& to) {
  std::vector<std::wstring> names;
  if (from.ValueNames(names) != ERROR_SUCCESS) return;
  std::vector<BYTE> data;
  for (const std::wstring& name : names) {
    DWORD type = 0;
    if (from.ReadBytes(name.c_str(), type, data) == ERROR_SUCCESS) to.WriteBytes(name.c_str(), type, data);
  }
}

}  // namespace

void ConvertOlderSettings() {
  RegistryKey current;
  if (current.Open(HKEY_CURRENT_USER, kSettingsKey, KEY_READ) == ERROR_SUCCESS) return;

  RegistryKey product;
  if (product.Open(HKEY_CURRENT_USER, kProductKey, KEY_READ) == ERROR_SUCCESS) {
    // The subkeys are listed before "3.0" exists, so it is not copied into itself.
    std::vector<std::wstring> subkeys;
    product.SubkeyNames(subkeys);
    RegistryKey target;
    if (target.Create(HKEY_CURRENT_USER, kSettingsKey, KEY_ALL_ACCESS) != ERROR_SUCCESS) return;
    CopyValues(product, target);
    for (const std::wstring& subkey : subkeys) {
      RegistryKey from, to;
      if (from.Open(product.Get(), subkey.c_str(), KEY_READ) != ERROR_SUCCESS ||
          to.Create(target.Get(), subkey.c_str(), KEY_ALL_ACCESS) != ERROR_SUCCESS)
        continue;
      to.CopyTreeFrom(from);
    }
    return;
  }
  for (const wchar_t* older : kOlderKeys) {
    RegistryKey from;
    if (from.Open(HKEY_CURRENT_USER, older, KEY_READ) != ERROR_SUCCESS) continue;
    RegistryKey target;
    if (target.Create(HKEY_CURRENT_USER, kSettingsKey, KEY_ALL_ACCESS) != ERROR_SUCCESS) return;
    target.CopyTreeFrom(from);
    return;
  }
}

HRESULT CopyNewestSettingsToCurrentKey(CJournal* journal) {
  RegistryKey current;
  if (current.Open(HKEY_CURRENT_USER, kSettingsKey, KEY_READ) == ERROR_SUCCESS) return S_OK;
  RegistryKey product;
  if (product.Open(HKEY_CURRENT_USER, kProductKey, KEY_READ) != ERROR_SUCCESS) return S_OK;

  std::vector<std::wstring> subkeys;
  LONG error = product.SubkeyNames(subkeys);
  if (error != ERROR_SUCCESS) return HResultFromWin32(error);
  const std::wstring* newest = nullptr;
  std::uint32_t newestValue = 0;
  for (const std::wstring& subkey : subkeys) {
    std::uint32_t value = 0;
    if (ParseProductSubkeyName(subkey, value) && (!newest || value > newestValue)) {
      newest = &subkey;
      newestValue = value;
    }
  }
  if (!newest) return S_OK;  // nothing older to carry over

  RegistryKey from;
  error = from.Open(product.Get(), newest->c_str(), KEY_READ);
  if (error != ERROR_SUCCESS) return HResultFromWin32(error);
  if (journal) RETURN_IF_FAILED(journal->NoteKeyToCreate(HKEY_CURRENT_USER, kSettingsKey, 0));
  RegistryKey target;
  error = target.Create(HKEY_CURRENT_USER, kSettingsKey, KEY_ALL_ACCESS);
  if (error != ERROR_SUCCESS) return HResultFromWin32(error);
  CopyValues(from, target);
  return S_OK;
}

}  // namespace wendrix

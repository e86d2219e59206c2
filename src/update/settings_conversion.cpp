#include "update/settings_conversion.h"

#include <windows.h>

#include <string>
#include <vector>

#include "platform/registry.h"
#include "frame/product_folder.h"
#include "platform/unique_handle.h"
#include "setup/journal.h"
#include "update/settings.h"

namespace wendrix {
namespace {

constexpr wchar_t kProductKey[] = L"SOFTWARE\\Kestmoor\\Wendrix";
constexpr const wchar_t* kOlderKeys[] = {L"Software\\Kestmoor\\Pellister\\3.0", L"Software\\Kestmoor\\Pellister\\2.0",
                                         L"Software\\Kestmoor\\Pellister\\1.0"};

// Copies every value of `from` into `to`.
void CopyValues(HKEY from, HKEY to) {
  std::vector<wchar_t> name(16384);
  std::vector<BYTE> data;
  for (DWORD i = 0;; ++i) {
    DWORD nameLength = static_cast<DWORD>(name.size()), type = 0, size = 0;
    LONG error = RegEnumValueW(from, i, name.data(), &nameLength, nullptr, &type, nullptr, &size);
    if (error == ERROR_NO_MORE_ITEMS) break;
    if (error != ERROR_SUCCESS) continue;
    data.resize(size);
    nameLength = static_cast<DWORD>(name.size());
    error = RegEnumValueW(from, i, name.data(), &nameLength, nullptr, &type, data.data(), &size);
    if (error == ERROR_SUCCESS) RegSetValueExW(to, name.data(), 0, type, data.data(), size);
  }
}

}  // namespace

void ConvertOlderSettings() {
  UniqueHkey current;
  if (OpenRegistryKey(HKEY_CURRENT_USER, kSettingsKey, KEY_READ, current) == ERROR_SUCCESS) return;

  UniqueHkey product;
  if (OpenRegistryKey(HKEY_CURRENT_USER, kProductKey, KEY_READ, product) == ERROR_SUCCESS) {
    // The subkeys are listed before "3.0" exists, so it is not copied into itself.
    std::vector<std::wstring> subkeys;
    EnumRegistrySubkeys(product.Get(), subkeys);
    HKEY raw = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &raw, nullptr) !=
        ERROR_SUCCESS)
      return;
    UniqueHkey target(raw);
    CopyValues(product.Get(), target.Get());
    for (const std::wstring& subkey : subkeys) {
      UniqueHkey from, to;
      if (OpenRegistryKey(product.Get(), subkey.c_str(), KEY_READ, from) != ERROR_SUCCESS) continue;
      HKEY created = nullptr;
      if (RegCreateKeyExW(target.Get(), subkey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &created, nullptr) !=
          ERROR_SUCCESS)
        continue;
      to.Reset(created);
      RegCopyTreeW(from.Get(), nullptr, to.Get());
    }
    return;
  }
  for (const wchar_t* older : kOlderKeys) {
    UniqueHkey from;
    if (OpenRegistryKey(HKEY_CURRENT_USER, older, KEY_READ, from) != ERROR_SUCCESS) continue;
    HKEY raw = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &raw, nullptr) !=
        ERROR_SUCCESS)
      return;
    UniqueHkey target(raw);
    RegCopyTreeW(from.Get(), nullptr, target.Get());
    return;
  }
}

HRESULT CopyNewestSettingsToCurrentKey(CJournal* journal) {
  UniqueHkey current;
  if (OpenRegistryKey(HKEY_CURRENT_USER, kSettingsKey, KEY_READ, current) == ERROR_SUCCESS) return S_OK;
  UniqueHkey product;
  if (OpenRegistryKey(HKEY_CURRENT_USER, kProductKey, KEY_READ, product) != ERROR_SUCCESS) return S_OK;

  std::vector<std::wstring> subkeys;
  LONG error = EnumRegistrySubkeys(product.Get(), subkeys);
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

  UniqueHkey from;
  error = OpenRegistryKey(product.Get(), newest->c_str(), KEY_READ, from);
  if (error != ERROR_SUCCESS) return HResultFromWin32(error);
  if (journal) RETURN_IF_FAILED(journal->NoteKeyToCreate(HKEY_CURRENT_USER, kSettingsKey, 0));
  HKEY raw = nullptr;
  error = RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &raw, nullptr);
  if (error != ERROR_SUCCESS) return HResultFromWin32(error);
  UniqueHkey target(raw);
  CopyValues(from.Get(), target.Get());
  return S_OK;
}

}  // namespace wendrix

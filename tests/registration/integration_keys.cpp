#include "integration_keys.h"

#include <algorithm>

#include "../support/registry_sandbox.h"
#include "platform/registry.h"
#include "platform/unique_handle.h"

namespace wendrix::test {
namespace {

std::wstring DataText(DWORD type, const BYTE* data, DWORD size) {
  if (type == REG_SZ) {
    std::wstring text(reinterpret_cast<const wchar_t*>(data), size / sizeof(wchar_t));
    if (text.empty() || text.back() != L'\0') return text + L"<unterminated>";
    return text.substr(0, text.size() - 1);
  }
  if (type == REG_DWORD && size == sizeof(DWORD)) return std::to_wstring(*reinterpret_cast<const DWORD*>(data));
  static constexpr wchar_t kHex[] = L"0123456789abcdef";
  std::wstring hex;
  for (DWORD i = 0; i < size; ++i) hex += {kHex[data[i] >> 4], kHex[data[i] & 15]};
  return hex;
}

}  // namespace

Values Sorted(Values values) {
  std::sort(values.begin(), values.end());
  return values;
}

std::optional<Values> ReadValues(HKEY root, const std::wstring& path, REGSAM view) {
  UniqueHkey key;
  if (OpenRegistryKey(root, path.c_str(), KEY_READ | view, key) != ERROR_SUCCESS) return std::nullopt;
  Values values;
  std::vector<BYTE> data(8192);
  for (DWORD index = 0;; ++index) {
    wchar_t name[16384];
    DWORD length = 16384, type = 0, size = static_cast<DWORD>(data.size());
    if (RegEnumValueW(key.Get(), index, name, &length, nullptr, &type, data.data(), &size) != ERROR_SUCCESS) break;
    values.emplace_back(std::wstring(name, length), type, DataText(type, data.data(), size));
  }
  return Sorted(std::move(values));
}

std::optional<Value> FindValue(HKEY root, const std::wstring& path, const std::wstring& name, REGSAM view) {
  for (const Value& value : ReadValues(root, path, view).value_or(Values{}))
    if (std::get<0>(value) == name) return value;
  return std::nullopt;
}

void DumpTree(HKEY root, const std::wstring& path, REGSAM view, std::vector<std::wstring>& lines) {
  const auto values = ReadValues(root, path, view);
  if (!values) return;
  lines.push_back(path);
  for (const auto& [name, type, data] : *values)
    lines.push_back(path + L" | " + name + L" | " + std::to_wstring(type) + L" | " + data);
  UniqueHkey key;
  std::vector<std::wstring> subkeys;
  if (OpenRegistryKey(root, path.c_str(), KEY_READ | view, key) == ERROR_SUCCESS) EnumRegistrySubkeys(key.Get(), subkeys);
  for (const std::wstring& subkey : subkeys) DumpTree(root, path + L"\\" + subkey, view, lines);
}

void SetDword(HKEY root, const std::wstring& path, const wchar_t* name, DWORD number, REGSAM view) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE | view, nullptr, &key, nullptr) != 0) return;
  RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof(number));
  RegCloseKey(key);
}

void DeleteValue(HKEY root, const std::wstring& path, const std::wstring& name, REGSAM view) {
  UniqueHkey key;
  if (OpenRegistryKey(root, path.c_str(), KEY_SET_VALUE | view, key) == ERROR_SUCCESS)
    RegDeleteValueW(key.Get(), name.c_str());
}

void ClearIntegrations(const std::vector<std::wstring>& applets) {
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
    for (REGSAM view : {k32, static_cast<REGSAM>(KEY_WOW64_64KEY)}) {
      DeleteValue(root, kRunKey, L"KestmoorWendrix", view);
      DeleteValue(root, kCplsKey, L"WendrixControlPanel", view);
      DeleteValue(root, kCplsKey, L"OtherApplet", view);
      for (const std::wstring& applet : applets) DeleteValue(root, kCategoryKey, applet, view);
      DeleteKeyTree(root, kUninstallKey, view);
    }
    for (const wchar_t* name : {L".wx-cnf", L"Wendrix.DataFile", L".software", L"Pellister.DataFile"})
      DeleteKeyTree(root, kClassesKey + std::wstring(name), 0);
    DeleteKeyTree(root, kMimeTypeKey, 0);
  }
  DeleteKeyTree(HKEY_CURRENT_USER, kProductKey, 0);
}

}  // namespace wendrix::test

#include "integration_keys.h"

#include <algorithm>

#include "../support/registry_sandbox.h"
#include "platform/registry.h"

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
  RegistryKey key;
  if (key.Open(root, path.c_str(), KEY_READ, view) != ERROR_SUCCESS) return std::nullopt;
  Values values;
  std::wstring name;
  std::vector<BYTE> data;
  DWORD type = 0;
  for (DWORD index = 0; key.EnumValue(index, name, type, data) == ERROR_SUCCESS; ++index)
    values.emplace_back(name, type, DataText(type, data.data(), static_cast<DWORD>(data.size())));
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
  RegistryKey key;
  std::vector<std::wstring> subkeys;
  if (key.Open(root, path.c_str(), KEY_READ, view) == ERROR_SUCCESS) key.SubkeyNames(subkeys);
  for (const std::wstring& subkey : subkeys) DumpTree(root, path + L"\\" + subkey, view, lines);
}

void SetDword(HKEY root, const std::wstring& path, const wchar_t* name, DWORD number, REGSAM view) {
  RegistryKey key;
  if (key.Create(root, path.c_str(), KEY_SET_VALUE, view) == ERROR_SUCCESS) key.WriteDword(name, number);
}

void DeleteValue(HKEY root, const std::wstring& path, const std::wstring& name, REGSAM view) {
  RegistryKey key;
  if (key.Open(root, path.c_str(), KEY_SET_VALUE, view) == ERROR_SUCCESS) key.DeleteValue(name.c_str());
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

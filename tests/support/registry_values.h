#pragma once
// Registry values read back in a form that compares and prints: one value
// as its name, type and data, a key as its values sorted by name, a tree as
// lines. Also the small writes the tests set up with.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "frame/product_keys.h"
#include "platform/registry.h"
#include "registry_sandbox.h"

namespace wendrix::test {

constexpr REGSAM k32 = KEY_WOW64_32KEY;

// A value as stored: name, type, and data as text (a string without its
// terminator, a DWORD in decimal, other data in hex).
using Value = std::tuple<std::wstring, DWORD, std::wstring>;
using Values = std::vector<Value>;
inline Value Sz(std::wstring name, std::wstring text) { return {std::move(name), REG_SZ, std::move(text)}; }
inline Value Dword(std::wstring name, DWORD number) { return {std::move(name), REG_DWORD, std::to_wstring(number)}; }

inline std::wstring DataText(DWORD type, const BYTE* data, DWORD size) {
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

inline Values Sorted(Values values) {
  std::sort(values.begin(), values.end());
  return values;
}

// The values of a key sorted by name (Wine enumerates values in name order,
// Windows in the order they were created); nothing when the key is missing.
inline std::optional<Values> ReadValues(HKEY root, const std::wstring& path, REGSAM view = k32) {
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

// One value of a key; nothing when the key or the value is missing.
inline std::optional<Value> FindValue(HKEY root, const std::wstring& path, const std::wstring& name,
                                      REGSAM view = k32) {
  for (const Value& value : ReadValues(root, path, view).value_or(Values{}))
    if (std::get<0>(value) == name) return value;
  return std::nullopt;
}

// Every key and value of a tree, one line each, appended to `lines` in no
// fixed order: sort before comparing, since a rollback puts the values back,
// not their order.
inline void DumpTree(HKEY root, const std::wstring& path, REGSAM view, std::vector<std::wstring>& lines) {
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

// A write that fails fails the test: a test may depend on a value it never
// reads back (a manual check period that keeps a scheduler from starting).
inline void SetDword(HKEY root, const std::wstring& path, const wchar_t* name, DWORD number, REGSAM view) {
  RegistryKey key;
  if (key.Create(root, path.c_str(), KEY_SET_VALUE, view) != ERROR_SUCCESS || key.WriteDword(name, number) != ERROR_SUCCESS)
    ADD_FAILURE() << "cannot write " << path << "\\" << name;
}
// A number of the user's settings.
inline void SetSetting(const wchar_t* name, DWORD number) { SetDword(HKEY_CURRENT_USER, kSettingsKey, name, number, 0); }

// The user's settings key, as the test's own: emptied when made, and deleted
// when it goes together with the parent keys the test's writes brought
// along, since while the product's key exists older settings are converted
// another way and later tests would start from another state.
class OwnSettingsKey {
 public:
  OwnSettingsKey() {
    for (const wchar_t* parent : {kProductKey, L"SOFTWARE\\Kestmoor"})
      if (!ReadValues(HKEY_CURRENT_USER, parent, 0)) m_made = parent;
    DeleteKeyTree(HKEY_CURRENT_USER, kSettingsKey, 0);
  }
  OwnSettingsKey(const OwnSettingsKey&) = delete;
  OwnSettingsKey& operator=(const OwnSettingsKey&) = delete;
  ~OwnSettingsKey() { DeleteKeyTree(HKEY_CURRENT_USER, m_made, 0); }

 private:
  std::wstring m_made = kSettingsKey;
};

inline void DeleteValue(HKEY root, const std::wstring& path, const std::wstring& name, REGSAM view) {
  RegistryKey key;
  if (key.Open(root, path.c_str(), KEY_SET_VALUE, view) == ERROR_SUCCESS) key.DeleteValue(name.c_str());
}

}  // namespace wendrix::test

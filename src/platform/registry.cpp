#include "platform/registry.h"

namespace wendrix {

LONG OpenRegistryKey(HKEY root, const wchar_t* path, REGSAM access, UniqueHkey& key) noexcept {
  return RegOpenKeyExW(root, path, 0, access, key.Put());
}

LONG ReadRegistryString(HKEY key, const wchar_t* name, std::wstring& value, DWORD maxChars) {
  DWORD type = 0, bytes = 0;
  LONG rc = RegQueryValueExW(key, name, nullptr, &type, nullptr, &bytes);
  if (rc != ERROR_SUCCESS) return rc;
  if (type != REG_SZ && type != REG_EXPAND_SZ) return ERROR_INVALID_DATA;
  std::wstring text(bytes / sizeof(wchar_t) + 1, L'\0');
  bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
  rc = RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &bytes);
  if (rc != ERROR_SUCCESS) return rc;
  // The stored data need not be terminated; the text ends at its first zero.
  text.resize(bytes / sizeof(wchar_t));
  text.resize(wcsnlen(text.c_str(), text.size()));
  if (text.size() >= maxChars) return ERROR_MORE_DATA;
  value = std::move(text);
  return ERROR_SUCCESS;
}

LONG EnumRegistrySubkeys(HKEY key, std::vector<std::wstring>& names) {
  names.clear();
  for (DWORD index = 0;; ++index) {
    wchar_t name[256];  // key names are limited to 255 characters
    DWORD length = ARRAYSIZE(name);
    const LONG rc = RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_NO_MORE_ITEMS) return ERROR_SUCCESS;
    if (rc != ERROR_SUCCESS) return rc;
    names.emplace_back(name, length);
  }
}

namespace {
LONG DeleteSubtree(HKEY parent, const std::wstring& name, REGSAM view) {
  UniqueHkey key;
  LONG rc = RegOpenKeyExW(parent, name.c_str(), 0, KEY_READ | DELETE | view, key.Put());
  if (rc == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
  if (rc != ERROR_SUCCESS) return rc;
  std::vector<std::wstring> children;
  try {
    rc = EnumRegistrySubkeys(key.Get(), children);
  } catch (...) {
    return ERROR_NOT_ENOUGH_MEMORY;
  }
  if (rc != ERROR_SUCCESS) return rc;
  for (const std::wstring& child : children) {
    rc = DeleteSubtree(key.Get(), child, view);
    if (rc != ERROR_SUCCESS) return rc;
  }
  key.Reset();
  rc = RegDeleteKeyExW(parent, name.c_str(), view, 0);
  return rc == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : rc;
}
}  // namespace

LONG DeleteRegistryTree(HKEY root, const std::wstring& path, REGSAM view) noexcept {
  try {
    return DeleteSubtree(root, path, view);
  } catch (...) {
    return ERROR_NOT_ENOUGH_MEMORY;
  }
}

}  // namespace wendrix

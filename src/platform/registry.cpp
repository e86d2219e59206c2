#include "platform/registry.h"

#include <new>

namespace wendrix {

LONG RegistryKey::Open(HKEY root, const wchar_t* path, REGSAM access, REGSAM view) noexcept {
  return RegOpenKeyExW(root, path, 0, access | view, m_key.Put());
}

LONG RegistryKey::Create(HKEY root, const wchar_t* path, REGSAM access, REGSAM view) noexcept {
  return RegCreateKeyExW(root, path, 0, nullptr, 0, access | view, nullptr, m_key.Put(), nullptr);
}

LONG RegistryKey::ReadString(const wchar_t* name, std::wstring& value, DWORD maxChars, DWORD* storedType) const {
  DWORD type = 0, bytes = 0;
  LONG rc = RegQueryValueExW(Get(), name, nullptr, &type, nullptr, &bytes);
  if (rc != ERROR_SUCCESS) return rc;
  if (type != REG_SZ && type != REG_EXPAND_SZ) return ERROR_INVALID_DATA;
  std::wstring text(bytes / sizeof(wchar_t) + 1, L'\0');
  bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
  rc = RegQueryValueExW(Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &bytes);
  if (rc != ERROR_SUCCESS) return rc;
  // The stored data need not be terminated; the text ends at its first zero.
  text.resize(bytes / sizeof(wchar_t));
  text.resize(wcsnlen(text.c_str(), text.size()));
  if (text.size() >= maxChars) return ERROR_MORE_DATA;
  value = std::move(text);
  if (storedType) *storedType = type;
  return ERROR_SUCCESS;
}

LONG RegistryKey::ReadDword(const wchar_t* name, std::uint32_t& value) const noexcept {
  DWORD type = 0, data = 0, size = sizeof(data);
  const LONG rc = RegQueryValueExW(Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size);
  if (rc == ERROR_MORE_DATA) return ERROR_INVALID_DATA;
  if (rc != ERROR_SUCCESS) return rc;
  if (type != REG_DWORD || size != sizeof(data)) return ERROR_INVALID_DATA;
  value = data;
  return ERROR_SUCCESS;
}

LONG RegistryKey::ReadBytes(const wchar_t* name, DWORD& type, std::vector<BYTE>& data) const {
  // The value may grow between the two calls: ask again until it fits.
  for (;;) {
    DWORD size = 0;
    LONG rc = RegQueryValueExW(Get(), name, nullptr, &type, nullptr, &size);
    if (rc != ERROR_SUCCESS) return rc;
    data.resize(size);
    rc = RegQueryValueExW(Get(), name, nullptr, &type, data.data(), &size);
    if (rc == ERROR_MORE_DATA) continue;
    if (rc != ERROR_SUCCESS) return rc;
    data.resize(size);
    return ERROR_SUCCESS;
  }
}

bool RegistryKey::HasValue(const wchar_t* name) const noexcept {
  return RegQueryValueExW(Get(), name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

LONG RegistryKey::WriteString(const wchar_t* name, std::wstring_view value, DWORD type) noexcept {
  // Stored with its terminating zero, as readers of REG_SZ expect. A view is
  // not terminated, so the zero comes from a copy when it is not there.
  if (value.size() > (MAXDWORD / sizeof(wchar_t)) - 1) return ERROR_INVALID_PARAMETER;
  try {
    const std::wstring text(value);
    return RegSetValueExW(Get(), name, 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
  } catch (const std::bad_alloc&) {
    return ERROR_NOT_ENOUGH_MEMORY;
  }
}

LONG RegistryKey::WriteDword(const wchar_t* name, std::uint32_t value) noexcept {
  const DWORD data = value;
  return RegSetValueExW(Get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof(data));
}

LONG RegistryKey::WriteBytes(const wchar_t* name, DWORD type, std::span<const BYTE> data) noexcept {
  if (data.size() > MAXDWORD) return ERROR_INVALID_PARAMETER;
  return RegSetValueExW(Get(), name, 0, type, data.data(), static_cast<DWORD>(data.size()));
}

LONG RegistryKey::DeleteValue(const wchar_t* name) noexcept {
  const LONG rc = RegDeleteValueW(Get(), name);
  return rc == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : rc;
}

LONG RegistryKey::CopyTreeFrom(const RegistryKey& from) noexcept {
  return RegCopyTreeW(from.Get(), nullptr, Get());
}

LONG RegistryKey::SubkeyNames(std::vector<std::wstring>& names) const {
  names.clear();
  for (DWORD index = 0;; ++index) {
    wchar_t name[256];  // key names are limited to 255 characters
    DWORD length = ARRAYSIZE(name);
    const LONG rc = RegEnumKeyExW(Get(), index, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_NO_MORE_ITEMS) return ERROR_SUCCESS;
    if (rc != ERROR_SUCCESS) return rc;
    names.emplace_back(name, length);
  }
}

LONG RegistryKey::ValueNames(std::vector<std::wstring>& names) const {
  names.clear();
  DWORD maxName = 0;
  LONG rc = RegQueryInfoKeyW(Get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &maxName, nullptr,
                             nullptr, nullptr);
  if (rc != ERROR_SUCCESS) return rc;
  std::wstring name(maxName + 1, L'\0');
  for (DWORD index = 0;; ++index) {
    DWORD length = static_cast<DWORD>(name.size());
    rc = RegEnumValueW(Get(), index, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_NO_MORE_ITEMS) return ERROR_SUCCESS;
    if (rc != ERROR_SUCCESS) return rc;
    names.emplace_back(name.data(), length);
  }
}

LONG DeleteRegistryKey(HKEY root, const wchar_t* path, REGSAM view) noexcept {
  // Systems before 64-bit Windows have one view and no RegDeleteKeyExW.
  using DeleteKeyEx = LONG(WINAPI*)(HKEY, LPCWSTR, REGSAM, DWORD);
  static const auto deleteKeyEx = reinterpret_cast<DeleteKeyEx>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"advapi32.dll"), "RegDeleteKeyExW")));
  return deleteKeyEx ? deleteKeyEx(root, path, view, 0) : RegDeleteKeyW(root, path);
}

LONG RegistryKey::EnumValue(DWORD index, std::wstring& name, DWORD& type, std::vector<BYTE>& data) const {
  for (;;) {
    DWORD maxName = 0, maxData = 0;
    LONG rc = RegQueryInfoKeyW(Get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &maxName,
                               &maxData, nullptr, nullptr);
    if (rc != ERROR_SUCCESS) return rc;
    name.assign(maxName + 1, L'\0');
    data.resize(maxData);
    DWORD nameLength = maxName + 1, size = maxData;
    rc = RegEnumValueW(Get(), index, name.data(), &nameLength, nullptr, &type, data.data(), &size);
    if (rc == ERROR_MORE_DATA) continue;  // a value grew in between
    if (rc != ERROR_SUCCESS) return rc;
    name.resize(nameLength);
    data.resize(size);
    return ERROR_SUCCESS;
  }
}

namespace {
LONG DeleteSubtree(HKEY parent, const std::wstring& name, REGSAM view) {
  RegistryKey key;
  LONG rc = key.Open(parent, name.c_str(), KEY_READ | DELETE, view);
  if (rc == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
  if (rc != ERROR_SUCCESS) return rc;
  std::vector<std::wstring> children;
  rc = key.SubkeyNames(children);
  if (rc != ERROR_SUCCESS) return rc;
  for (const std::wstring& child : children) {
    rc = DeleteSubtree(key.Get(), child, view);
    if (rc != ERROR_SUCCESS) return rc;
  }
  key.Close();
  rc = DeleteRegistryKey(parent, name.c_str(), view);
  return rc == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : rc;
}
}  // namespace

LONG DeleteRegistryTree(HKEY root, const std::wstring& path, REGSAM view) noexcept {
  try {
    return DeleteSubtree(root, path, view);
  } catch (const std::bad_alloc&) {
    return ERROR_NOT_ENOUGH_MEMORY;
  }
}

}  // namespace wendrix

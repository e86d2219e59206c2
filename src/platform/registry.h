#pragma once
// The one way this library reads and writes the registry: RegistryKey, an
// owned key with typed reads and writes. Opening and creating take the view
// explicitly (0 for the process's own, KEY_WOW64_32KEY or KEY_WOW64_64KEY),
// since a 32-bit process otherwise reads the redirected view without saying
// so. Functions return Win32 error codes (LONG) like the API they wrap, so
// callers can tell "not there" (ERROR_FILE_NOT_FOUND) from a failure.
#include <windows.h>

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/unique_handle.h"

namespace wendrix {

class RegistryKey {
 public:
  RegistryKey() = default;
  // Takes over a key opened elsewhere.
  explicit RegistryKey(HKEY key) noexcept : m_key(key) {}

  // Opens an existing key / opens or creates it, closing what was open.
  LONG Open(HKEY root, const wchar_t* path, REGSAM access, REGSAM view = 0) noexcept;
  LONG Create(HKEY root, const wchar_t* path, REGSAM access, REGSAM view = 0) noexcept;
  HKEY Get() const noexcept { return m_key.Get(); }
  explicit operator bool() const noexcept { return static_cast<bool>(m_key); }
  void Close() noexcept { m_key.Reset(); }

  // A REG_SZ or REG_EXPAND_SZ value (not expanded), without a trailing zero;
  // other types fail with ERROR_INVALID_DATA. Values of `maxChars`
  // characters or more fail with ERROR_MORE_DATA. `type`, when given,
  // receives which of the two it is.
  LONG ReadString(const wchar_t* name, std::wstring& value, DWORD maxChars = 32767, DWORD* type = nullptr) const;
  // A REG_DWORD value; other types or sizes fail with ERROR_INVALID_DATA.
  LONG ReadDword(const wchar_t* name, std::uint32_t& value) const noexcept;
  // A value of any type as stored; `type` receives its type.
  LONG ReadBytes(const wchar_t* name, DWORD& type, std::vector<BYTE>& data) const;
  bool HasValue(const wchar_t* name) const noexcept;

  LONG WriteString(const wchar_t* name, std::wstring_view value, DWORD type = REG_SZ) noexcept;
  LONG WriteDword(const wchar_t* name, std::uint32_t value) noexcept;
  LONG WriteBytes(const wchar_t* name, DWORD type, std::span<const BYTE> data) noexcept;
  // Deleting a value that is not there is no failure.
  LONG DeleteValue(const wchar_t* name) noexcept;
  // Copies every value and subkey of `from` into this key.
  LONG CopyTreeFrom(const RegistryKey& from) noexcept;

  // Value `index` in enumeration order with its type and data;
  // ERROR_NO_MORE_ITEMS past the last.
  LONG EnumValue(DWORD index, std::wstring& name, DWORD& type, std::vector<BYTE>& data) const;
  // The names of the direct subkeys / of the values, in enumeration order.
  LONG SubkeyNames(std::vector<std::wstring>& names) const;
  LONG ValueNames(std::vector<std::wstring>& names) const;

 private:
  UniqueHkey m_key;
};

// Deletes one key without subkeys, in `view` where the system has views.
LONG DeleteRegistryKey(HKEY root, const wchar_t* path, REGSAM view) noexcept;
// Deletes a key with all its subkeys; a key that does not exist is no error.
LONG DeleteRegistryTree(HKEY root, const std::wstring& path, REGSAM view) noexcept;

}  // namespace wendrix

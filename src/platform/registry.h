#pragma once
// Registry access with owned keys. Functions return Win32 error codes (LONG)
// like the API they wrap, so callers can wrap them into results as they need.
#include <windows.h>

#include <string>
#include <vector>

#include "platform/unique_handle.h"

namespace wendrix {

LONG OpenRegistryKey(HKEY root, const wchar_t* path, REGSAM access, UniqueHkey& key) noexcept;

// A REG_SZ or REG_EXPAND_SZ value (not expanded), without a trailing zero.
// Values of `maxChars` characters or more fail with ERROR_MORE_DATA.
LONG ReadRegistryString(HKEY key, const wchar_t* name, std::wstring& value, DWORD maxChars = 32767);

// The names of the direct subkeys, in enumeration order.
LONG EnumRegistrySubkeys(HKEY key, std::vector<std::wstring>& names);

// Deletes a key with all its subkeys; a key that does not exist is no error.
LONG DeleteRegistryTree(HKEY root, const std::wstring& path, REGSAM view) noexcept;

}  // namespace wendrix

#pragma once
// Where the product keeps what it shares: per machine or per user, and in
// which registry view.
#include <windows.h>

#include <string>

#include "core/result.h"

namespace wendrix {

enum class ProductScope { kMachine, kUser };

// The shared data folder, ending in a backslash: "\Kestmoor\Wendrix\" under
// the common application-data folder (machine) or the user's local one.
// E_FAIL without that folder; 0x8007006F when the path would reach 259
// characters. Nothing is created.
HRESULT SharedDataFolder(ProductScope scope, std::wstring& folder);

// Whether Windows itself is 64-bit (a 32-bit process sees x86 otherwise).
bool IsSystem64() noexcept;

// The view of the product's 32-bit registry entries: KEY_WOW64_32KEY on
// 64-bit Windows, else the only one.
REGSAM ProductRegistryView() noexcept;

inline HKEY RootOf(ProductScope scope) noexcept {
  return scope == ProductScope::kMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

}  // namespace wendrix

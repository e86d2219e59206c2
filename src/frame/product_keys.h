#pragma once
// The product's own registry keys. The same paths serve under
// HKEY_CURRENT_USER (a user's settings) and HKEY_LOCAL_MACHINE (where the
// product is installed, and the machine's settings).

namespace wendrix {

inline constexpr wchar_t kProductKey[] = L"SOFTWARE\\Kestmoor\\Wendrix";
// The current version's key: the settings of this version live here.
inline constexpr wchar_t kSettingsKey[] = L"SOFTWARE\\Kestmoor\\Wendrix\\3.0";

}  // namespace wendrix

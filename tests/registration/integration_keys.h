#pragma once
// The registry keys the system integrations write. The tests of the
// integrations and of the registering exports share them; both start and end
// with none of the library's entries there, since these are the prefix's real
// keys.
#include <windows.h>

#include <string>
#include <vector>

#include "../support/registry_values.h"

namespace wendrix::test {

inline constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr wchar_t kControlPanelKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Control Panel";
inline constexpr wchar_t kCplsKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Control Panel\\Cpls";
inline constexpr wchar_t kCategoryKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Control Panel\\Extended Properties\\"
    L"{305CA226-D286-468e-B848-2B2E8E697B74} 2";
inline constexpr wchar_t kUninstallListKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
inline constexpr wchar_t kUninstallKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kestmoor Wendrix";
// The product's key: its installed versions in the machine's hive, the
// user's settings in the user's.
inline constexpr wchar_t kProductKey[] = L"SOFTWARE\\Kestmoor\\Wendrix";
inline constexpr wchar_t kClassesKey[] = L"Software\\Classes\\";
inline constexpr wchar_t kFileTypeKey[] = L"Software\\Classes\\.wx-cnf";
inline constexpr wchar_t kMimeTypeKey[] =
    L"Software\\Classes\\MIME\\Database\\Content Type\\application/vnd.kestmoor.wxcnf";

// Removes every entry the integrations may have written, in both hives and
// both views, with the category values of `applets`, and the user's
// settings.
void ClearIntegrations(const std::vector<std::wstring>& applets);

}  // namespace wendrix::test

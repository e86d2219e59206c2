#pragma once
// The registry keys the system integrations write, read back as values and
// trees. The tests of the integrations and of the registering exports share
// them; both start and end with none of the library's entries there, since
// these are the prefix's real keys.
#include <windows.h>

#include <optional>
#include <string>
#include <tuple>
#include <vector>

namespace wendrix::test {

constexpr REGSAM k32 = KEY_WOW64_32KEY;
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

// A value as stored: name, type, and data as text (a string without its
// terminator, a DWORD in decimal, other data in hex).
using Value = std::tuple<std::wstring, DWORD, std::wstring>;
using Values = std::vector<Value>;
inline Value Sz(std::wstring name, std::wstring text) { return {std::move(name), REG_SZ, std::move(text)}; }
inline Value Dword(std::wstring name, DWORD number) { return {std::move(name), REG_DWORD, std::to_wstring(number)}; }
Values Sorted(Values values);

// The values of a key sorted by name (Wine enumerates values in name order,
// Windows in the order they were created); nothing when the key is missing.
std::optional<Values> ReadValues(HKEY root, const std::wstring& path, REGSAM view = k32);
// One value of a key; nothing when the key or the value is missing.
std::optional<Value> FindValue(HKEY root, const std::wstring& path, const std::wstring& name, REGSAM view = k32);
// Every key and value of a tree, one line each, appended to `lines` in no
// fixed order: sort before comparing, since a rollback puts the values back,
// not their order.
void DumpTree(HKEY root, const std::wstring& path, REGSAM view, std::vector<std::wstring>& lines);
void SetDword(HKEY root, const std::wstring& path, const wchar_t* name, DWORD number, REGSAM view);
void DeleteValue(HKEY root, const std::wstring& path, const std::wstring& name, REGSAM view);

// Removes every entry the integrations may have written, in both hives and
// both views, with the category values of `applets`, and the user's
// settings.
void ClearIntegrations(const std::vector<std::wstring>& applets);

}  // namespace wendrix::test

#include "setup/file_in_use.h"

#include <windows.h>

#include <vector>

#include "platform/system_facts.h"
#include "platform/system_library.h"
#include "platform/unique_handle.h"

namespace wendrix {
namespace {

using EnumProcessModulesFn = BOOL(WINAPI*)(HANDLE, HMODULE*, DWORD, DWORD*);
using GetModuleFileNameExWFn = DWORD(WINAPI*)(HANDLE, HMODULE, LPWSTR, DWORD);
using MoveFileExWFn = BOOL(WINAPI*)(LPCWSTR, LPCWSTR, DWORD);

std::wstring Normalized(std::wstring path) {
  for (wchar_t& c : path)
    if (c == L'/') c = L'\\';
  return path;
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
  return CompareStringW(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, a.c_str(), static_cast<int>(a.size()), b.c_str(),
                        static_cast<int>(b.size())) == CSTR_EQUAL;
}

struct Search {
  std::wstring path;
  EnumProcessModulesFn enumModules;
  GetModuleFileNameExWFn moduleName;
  std::wstring titles;
};

bool ProcessHasModule(DWORD processId, const Search& search) {
  UniqueKernelObject process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId));
  if (!process) return false;
  std::vector<HMODULE> modules(256);
  DWORD needed = 0;
  if (!search.enumModules(process.Get(), modules.data(), static_cast<DWORD>(modules.size() * sizeof(HMODULE)), &needed))
    return false;
  if (needed > modules.size() * sizeof(HMODULE)) {
    modules.resize(needed / sizeof(HMODULE));
    if (!search.enumModules(process.Get(), modules.data(), static_cast<DWORD>(modules.size() * sizeof(HMODULE)),
                            &needed))
      return false;
  }
  modules.resize(std::min<std::size_t>(modules.size(), needed / sizeof(HMODULE)));
  for (HMODULE module : modules) {
    wchar_t name[MAX_PATH];
    const DWORD length = search.moduleName(process.Get(), module, name, MAX_PATH);
    if (length > 0 && SamePath(Normalized(std::wstring(name, length)), search.path)) return true;
  }
  return false;
}

BOOL CALLBACK VisitWindow(HWND window, LPARAM context) {
  auto& search = *reinterpret_cast<Search*>(context);
  if (!IsWindowVisible(window) || GetParent(window) || GetWindow(window, GW_OWNER)) return TRUE;
  wchar_t className[32] = {};
  GetClassNameW(window, className, 32);
  if (lstrcmpW(className, L"Progman") == 0 || lstrcmpW(className, L"Shell_TrayWnd") == 0) return TRUE;
  wchar_t title[512] = {};
  if (GetWindowTextW(window, title, 512) == 0) return TRUE;
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  if (ProcessHasModule(processId, search)) search.titles += std::wstring(title) + L"\r\n";
  return TRUE;
}

}  // namespace

std::wstring ApplicationsUsingFile(const std::wstring& path) {
  const UniqueModule psapi = LoadSystemLibrary(L"psapi.dll");
  Search search{Normalized(path), ProcAddress<EnumProcessModulesFn>(psapi.Get(), "EnumProcessModules"),
                ProcAddress<GetModuleFileNameExWFn>(psapi.Get(), "GetModuleFileNameExW"), {}};
  if (!search.enumModules || !search.moduleName) return {};
  EnumWindows(&VisitWindow, reinterpret_cast<LPARAM>(&search));
  return search.titles;
}

bool ReplaceAtRestart(const wchar_t* source, const wchar_t* destination) noexcept {
  if (!source) return false;
  const auto moveFileEx = Kernel32Function<MoveFileExWFn>("MoveFileExW");
  return moveFileEx && moveFileEx(source, destination, MOVEFILE_REPLACE_EXISTING | MOVEFILE_DELAY_UNTIL_REBOOT);
}

bool RestartSystem() noexcept {
  HANDLE token = nullptr;
  if (OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
    UniqueKernelObject owned(token);
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (LookupPrivilegeValueW(nullptr, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid))
      AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
    if (GetLastError() != ERROR_SUCCESS && GetLastError() != ERROR_CALL_NOT_IMPLEMENTED) return false;
  } else if (GetLastError() != ERROR_CALL_NOT_IMPLEMENTED) {
    return false;
  }
  return ExitWindowsEx(EWX_REBOOT, SHTDN_REASON_FLAG_PLANNED | SHTDN_REASON_MAJOR_APPLICATION |
                                        SHTDN_REASON_MINOR_INSTALLATION) != FALSE;
}

}  // namespace wendrix

#include "install/common_controls_update.h"

#include <windows.h>
#include <shlwapi.h>

#include "platform/file_facts.h"
#include "platform/system_library.h"
#include "platform/unique_handle.h"

namespace wendrix {
namespace {

constexpr DWORD kNeededMajor = 5;
constexpr DWORD kNeededMinor = 80;

bool CommonControlsTooOld() {
  const UniqueModule comctl = LoadSystemLibrary(L"comctl32.dll");
  const auto getVersion = ProcAddress<DLLGETVERSIONPROC>(comctl.Get(), "DllGetVersion");
  if (!getVersion) return false;
  DLLVERSIONINFO info{};
  info.cbSize = sizeof(info);
  if (FAILED(getVersion(&info))) return false;
  return info.dwMajorVersion < kNeededMajor ||
         (info.dwMajorVersion == kNeededMajor && info.dwMinorVersion < kNeededMinor);
}

}  // namespace

HRESULT UpdateCommonControls(const std::wstring& sourceFolder, bool& restartNeeded) {
  const std::wstring update = sourceFolder + L"\\50Comupd.exe";
  if (!SomethingAt(update) || !CommonControlsTooOld()) return S_OK;
  std::wstring line = L"\"" + update + L"\" /r:n /q:a";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  RETURN_LAST_ERROR_IF(
      !CreateProcessW(update.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info));
  const UniqueKernelObject process(info.hProcess), thread(info.hThread);
  WaitForSingleObject(process.Get(), INFINITE);
  restartNeeded = true;
  return S_OK;
}

}  // namespace wendrix

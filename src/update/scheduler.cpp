#include "update/scheduler.h"

#include <shellapi.h>

#include <memory>
#include <string>

#include "frame/product_folder.h"
#include "platform/unique_handle.h"
#include "update/settings.h"

namespace wendrix {
namespace {

constexpr DWORD kAnswerTimeout = 60000;
constexpr DWORD kIdleTimeout = 40000;

// Starts the user-interface program in the product folder; the process
// handle, or null when it did not start.
UniqueKernelObject StartUserInterface(const wchar_t* parameters) {
  std::wstring program, folder;
  if (FAILED(GetProductPath(kInfoMainProgram, program)) || FAILED(GetProductPath(kInfoFolder, folder))) return {};
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof(info);
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
  info.lpFile = program.c_str();
  info.lpParameters = parameters;
  info.lpDirectory = folder.c_str();
  info.nShow = SW_SHOW;
  if (!ShellExecuteExW(&info)) return {};
  return UniqueKernelObject(info.hProcess);
}

HWND WaitForWindow(DWORD pause, int attempts) {
  for (int i = 0; i < attempts; ++i) {
    if (i > 0) Sleep(pause);
    if (HWND window = FindWindowW(kSchedulerClass, nullptr)) return window;
  }
  return nullptr;
}

}  // namespace

bool EnsureScheduler() {
  if (HWND window = FindWindowW(kSchedulerClass, nullptr)) {
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutW(window, kSchedulerCheckEnded, 0, 0, SMTO_NORMAL, kAnswerTimeout, &answer)) return false;
    return answer != 0;
  }
  std::unique_ptr<InternetSettings> settings;
  if (FAILED(LoadSettings(settings))) return false;
  std::uint64_t next = 0;
  if (NextCheckTime(*settings, &next) == kNoAutomaticCheck) return true;
  UniqueKernelObject process = StartUserInterface(L"/s");
  if (!process) return false;
  WaitForInputIdle(process.Get(), kIdleTimeout);
  return WaitForWindow(1000, 10) != nullptr;
}

HWND StartSchedulerWindow() {
  if (HWND window = FindWindowW(kSchedulerClass, nullptr)) return window;
  if (!StartUserInterface(L"/sf")) return nullptr;
  return WaitForWindow(500, 20);
}

}  // namespace wendrix

#include "setup/product_stop.h"

#include <algorithm>
#include <vector>

#include "platform/unique_handle.h"

namespace wendrix {
namespace {

constexpr DWORD kProcessWait = 10000;
constexpr int kWatchSteps = 10;
constexpr DWORD kWatchStep = 1000;
constexpr DWORD kWatchSettle = 1000;

struct StopTarget {
  const wchar_t* windowClass;
  UINT message;
  bool takesFlags;
};

// The order matters: the dialog may still hand work to a download window,
// and both may still ask the scheduler to set the schedule.
constexpr StopTarget kTargets[] = {
    {kDialogWindowClass, kDialogStopMessage, true},
    {kDownloadWindowClass, kProgramStopMessage, false},
    {kSchedulerWindowClass, kProgramStopMessage, false},
};

// Asks a window to close. A window whose thread hangs is not waited for
// here: the wait for its process below bounds the stop.
void AskToClose(HWND window, UINT message, WPARAM wParam) {
  DWORD_PTR answer = 0;
  SendMessageTimeoutW(window, message, wParam, 0, SMTO_NORMAL | SMTO_ABORTIFHUNG, kProcessWait, &answer);
}

// The window's process is gone, or its window is, or the time is up.
void AwaitEnd(HWND window, HANDLE process) {
  if (process) {
    WaitForSingleObject(process, kProcessWait);
    return;
  }
  for (int step = 0; step < kWatchSteps && IsWindow(window); ++step) Sleep(kWatchStep);
  Sleep(kWatchSettle);
}

// Raises the window's process, asks the window to close and waits for the
// end. A process that outlives the wait gets its priority back (normal when
// it could not be read).
void StopWindow(HWND window, UINT message, WPARAM wParam) {
  DWORD id = 0;
  GetWindowThreadProcessId(window, &id);
  const UniqueKernelObject process(
      OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_SET_INFORMATION | SYNCHRONIZE, FALSE, id));
  DWORD priority = 0;
  if (process) {
    priority = GetPriorityClass(process.Get());
    SetPriorityClass(process.Get(), HIGH_PRIORITY_CLASS);
  }
  AskToClose(window, message, wParam);
  AwaitEnd(window, process.Get());
  if (process && WaitForSingleObject(process.Get(), 0) == WAIT_TIMEOUT)
    SetPriorityClass(process.Get(), priority ? priority : NORMAL_PRIORITY_CLASS);
}

HRESULT StopClass(const StopTarget& target, std::uint32_t flags) {
  const WPARAM wParam = target.takesFlags ? (flags & kStopForRestart) : 0;
  // Each window is asked once: one still there when found again did not
  // close, and two such windows must not take turns for ever.
  std::vector<HWND> handled;
  for (;;) {
    HWND window = FindWindowW(target.windowClass, nullptr);
    if (!window) return S_OK;
    if (std::find(handled.begin(), handled.end(), window) != handled.end()) return HResultFromWin32(ERROR_BUSY);
    handled.push_back(window);
    StopWindow(window, target.message, wParam);
  }
}

}  // namespace

HRESULT StopProductPrograms(std::uint32_t flags) {
  HRESULT first = S_OK;
  for (const StopTarget& target : kTargets) {
    const HRESULT hr = StopClass(target, flags);
    if (SUCCEEDED(first)) first = hr;
  }
  return first;
}

}  // namespace wendrix

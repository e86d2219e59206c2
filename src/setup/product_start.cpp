#include "setup/product_start.h"

#include <windows.h>

#include <string>

#include "frame/product_folder.h"
#include "platform/shell_open.h"
#include "platform/unique_handle.h"
#include "setup/product_stop.h"

namespace wendrix {
namespace {

constexpr DWORD kIdleWait = 10000;
constexpr DWORD kLookPause = 500;
constexpr int kStartLooks = 20;
constexpr int kRecordLooks = 10;

bool AwaitWindow(const wchar_t* windowClass, int looks) {
  for (int look = 0; look < looks; ++look) {
    if (look > 0) Sleep(kLookPause);
    if (FindWindowW(windowClass, nullptr)) return true;
  }
  return false;
}

// Starts the main program of the product folder and waits until it is
// ready for input and its window of `windowClass` exists.
HRESULT StartAndAwait(const wchar_t* parameters, const wchar_t* windowClass) {
  UniqueKernelObject process;
  RETURN_IF_FAILED(StartMainProgram(parameters, process));
  if (process) WaitForInputIdle(process.Get(), kIdleWait);
  AwaitWindow(windowClass, kStartLooks);
  return S_OK;
}

}  // namespace

HRESULT StartMainProgram(const std::wstring& parameters, UniqueKernelObject& process) {
  std::wstring program, folder;
  RETURN_IF_FAILED(GetProductPath(kInfoMainProgram, program));
  RETURN_IF_FAILED(GetProductPath(kInfoFolder, folder));
  return StartProgram(program, parameters, folder, nullptr, process);
}

HRESULT StartProductPrograms(bool dialog, RequestPendingQuery requestPending) {
  bool recordPending = false;
  if (dialog && !FindWindowW(kDialogWindowClass, nullptr)) {
    recordPending = requestPending && requestPending();
    // A pending record is left to the program that takes it up and opens
    // the dialog for it; only that window is awaited below.
    if (!recordPending) RETURN_IF_FAILED(StartAndAwait(L"", kDialogWindowClass));
  }
  if (!FindWindowW(kSchedulerWindowClass, nullptr)) RETURN_IF_FAILED(StartAndAwait(L"/s", kSchedulerWindowClass));
  if (recordPending) AwaitWindow(kDialogWindowClass, kRecordLooks);
  return S_OK;
}

}  // namespace wendrix

#include "update/display.h"


#include <string>
#include <vector>

#include "frame/product_folder.h"
#include "platform/shell_open.h"
#include "platform/unique_handle.h"
#include "registration/main_window.h"

namespace wendrix {
namespace {

// A running main window answers at once; one that takes longer is busy with
// something it should not do inside a sent message.
constexpr DWORD kAnswerTimeout = 60000;
constexpr DWORD kIdleTimeout = 20000;
constexpr DWORD kPause = 500;
constexpr int kAttempts = 20;

HRESULT SendFailure() {
  const DWORD error = GetLastError();
  return HResultFromWin32(error ? error : ERROR_TIMEOUT);
}

// The close event, created here when the main program has not made it yet,
// so that a close signalled after the request cannot be missed. A signal
// left over from an earlier close is cleared: the window that takes this
// request is still open.
UniqueKernelObject OpenCloseEvent() {
  UniqueKernelObject event(CreateEventW(nullptr, TRUE, FALSE, kDialogCloseEvent));
  if (event) ResetEvent(event.Get());
  return event;
}

// Waits until the user interface behind `dialog` closes: the close event,
// the end of its process, or its window going away, whichever comes first.
// A main program that crashed, whose process cannot be opened, or that goes
// on without its window cannot keep the caller waiting for ever.
void WaitForClose(HANDLE closeEvent, HWND dialog) {
  DWORD processId = 0;
  GetWindowThreadProcessId(dialog, &processId);
  // The user interface asking itself would wait for its own end.
  if (processId == GetCurrentProcessId()) return;
  UniqueKernelObject process(OpenProcess(SYNCHRONIZE, FALSE, processId));
  const HANDLE handles[] = {closeEvent, process.Get()};
  while (WaitForMultipleObjects(process ? 2 : 1, handles, FALSE, kPause) == WAIT_TIMEOUT) {
    if (!IsWindow(dialog)) return;
  }
}

HRESULT PassToRunningWindow(HWND owner, HWND dialog, const DisplayRequest& request) {
  DWORD_PTR answer = 0;
  if (!SendMessageTimeoutW(dialog, kDialogMainWindowQuery, 0, 0, SMTO_ABORTIFHUNG, kAnswerTimeout, &answer))
    return SendFailure();
  if (HWND main = reinterpret_cast<HWND>(answer); main && IsWindow(main)) {
    ShowWindow(main, IsIconic(main) ? SW_RESTORE : SW_SHOW);
    // Windows lets only the foreground process hand the foreground on: give
    // the main program the right as well, for the view it opens next.
    DWORD processId = 0;
    GetWindowThreadProcessId(main, &processId);
    AllowSetForegroundWindow(processId);
    SetForegroundWindow(main);
  }

  UniqueKernelObject closeEvent;
  if (request.flags & kDisplayInProcess) {
    closeEvent = OpenCloseEvent();
    RETURN_LAST_ERROR_IF(!closeEvent);
  }
  std::vector<std::uint8_t> bytes = EncodeDisplayRequest(request);
  COPYDATASTRUCT data{};
  data.dwData = kDisplayRequestCopyData;
  data.cbData = static_cast<DWORD>(bytes.size());
  data.lpData = bytes.data();
  answer = 0;
  if (!SendMessageTimeoutW(dialog, WM_COPYDATA, reinterpret_cast<WPARAM>(owner), reinterpret_cast<LPARAM>(&data),
                           SMTO_ABORTIFHUNG, kAnswerTimeout, &answer))
    return SendFailure();
  // The answer is a result code in the low 32 bits of the message result.
  const HRESULT result = static_cast<HRESULT>(static_cast<std::uint32_t>(answer));
  if (FAILED(result)) return result;
  if (closeEvent) WaitForClose(closeEvent.Get(), dialog);
  return S_OK;
}

// Pauses for `milliseconds`; true when the process ended meanwhile (or had
// ended before).
bool PauseUnlessEnded(HANDLE process, DWORD milliseconds) {
  if (!process) {
    Sleep(milliseconds);
    return false;
  }
  return WaitForSingleObject(process, milliseconds) == WAIT_OBJECT_0;
}

HRESULT StartMainProgram(HWND owner, const DisplayRequest& request) {
  std::wstring program, folder;
  if (FAILED(GetProductPath(kInfoMainProgram, program)) || FAILED(GetProductPath(kInfoFolder, folder))) return E_FAIL;
  const std::wstring parameters = MainProgramParameters(request);
  UniqueKernelObject process;  // stays empty when the shell could not give one
  if (FAILED(StartProgram(program, parameters, folder, owner, process))) return E_FAIL;
  if (process) WaitForInputIdle(process.Get(), kIdleTimeout);

  // From here on the start has succeeded, which is all the call answers
  // for: the waits only keep the caller from returning before the window
  // can take the user's attention, and end early when the program has gone.
  HWND window = FindWindowW(kMainWindowClass, nullptr);
  for (int attempt = 1; attempt < kAttempts && !window; ++attempt) {
    const bool ended = PauseUnlessEnded(process.Get(), kPause);
    window = FindWindowW(kMainWindowClass, nullptr);
    if (!window && ended) return S_OK;
  }
  if (!window) return S_OK;

  // The window exists before the main program has finished building its
  // user interface; it answers WM_APP with its main window once it has.
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    if (attempt > 0) Sleep(kPause);
    DWORD_PTR answer = 0;
    if (SendMessageTimeoutW(window, kDialogMainWindowQuery, 0, 0, SMTO_ABORTIFHUNG, kPause, &answer) && answer)
      return S_OK;
  }
  return S_OK;
}

}  // namespace

HRESULT ShowUserInterface(HWND owner, const DisplayRequest& request, InProcessUserInterface runHere) {
  // A running user interface takes the request first, also one meant to run
  // here: a second main program started for the same user then waits for
  // the first one's window instead of opening another.
  if (HWND dialog = FindWindowW(kMainWindowClass, nullptr)) return PassToRunningWindow(owner, dialog, request);
  if (request.flags & kDisplayInProcess) return runHere ? runHere(owner, request) : E_NOTIMPL;
  return StartMainProgram(owner, request);
}

}  // namespace wendrix

#include "setup/product_programs.h"

#include <windows.h>

#include "setup/product_stop.h"

namespace wendrix {
namespace {

// A window may be restarted when it belongs to another process of the
// caller's session: the caller's own windows would end the caller, and a
// window of another session cannot be started again here.
bool PassesRestartCheck(HWND window) {
  DWORD owner = 0;
  if (!window || !GetWindowThreadProcessId(window, &owner)) return false;
  const DWORD self = GetCurrentProcessId();
  if (owner == self) return false;
  DWORD ownerSession = 0, selfSession = 0;
  return ProcessIdToSessionId(owner, &ownerSession) && ProcessIdToSessionId(self, &selfSession) &&
         ownerSession == selfSession;
}

}  // namespace

RunningProductPrograms PauseProductPrograms() {
  RunningProductPrograms running;
  running.dialog = FindWindowW(kDialogWindowClass, nullptr) != nullptr;
  running.scheduler = FindWindowW(kSchedulerWindowClass, nullptr) != nullptr;
  if (running.dialog || running.scheduler) StopProductPrograms(kStopForRestart);
  return running;
}

void ResumeProductPrograms(const RunningProductPrograms& running, RequestPendingQuery requestPending) {
  if (running.dialog || running.scheduler) StartProductPrograms(running.dialog, requestPending);
}

HRESULT RestartProductPrograms(StopProgramsCall stop, RequestPendingQuery requestPending) {
  HWND dialog = FindWindowW(kDialogWindowClass, nullptr);
  bool withDialog = true;
  if (!PassesRestartCheck(dialog)) {
    if (!PassesRestartCheck(FindWindowW(kSchedulerWindowClass, nullptr))) return S_OK;
    withDialog = dialog != nullptr;
  }
  RETURN_IF_FAILED(stop(kStopForRestart));
  return StartProductPrograms(withDialog, requestPending);
}

}  // namespace wendrix

#include "platform/message_wait.h"

namespace wendrix {

DWORD WaitDispatchingMessages(std::span<const HANDLE> handles) noexcept {
  const DWORD count = static_cast<DWORD>(handles.size());
  bool quit = false;
  WPARAM quitCode = 0;
  DWORD result = WAIT_FAILED;
  for (;;) {
    result = MsgWaitForMultipleObjects(count, handles.data(), FALSE, INFINITE, QS_ALLINPUT);
    if (result != WAIT_OBJECT_0 + count) break;
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        quit = true;
        quitCode = message.wParam;
        continue;
      }
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  // The thread's own loop, not this wait, decides what a quit means.
  if (quit) PostQuitMessage(static_cast<int>(quitCode));
  return result;
}

}  // namespace wendrix

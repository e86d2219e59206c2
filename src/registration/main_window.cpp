#include "registration/main_window.h"

namespace wendrix {

void NotifyMainWindow(UINT message) noexcept {
  HWND window = FindWindowW(kMainWindowClass, nullptr);
  if (!window) return;
  DWORD_PTR answer = 0;
  SendMessageTimeoutW(window, message, 0, 0, SMTO_NORMAL | SMTO_ABORTIFHUNG, 5000, &answer);
}

}  // namespace wendrix

#pragma once
// Dialog procedures run inside the system's dialog code, through which no
// C++ exception may unwind. A modal dialog's procedure is handed to
// DialogBoxParamW as GuardedDialogProc<Procedure>: an exception that escapes
// the procedure (an allocation that failed) ends the dialog with IDABORT.
#include <windows.h>

namespace wendrix {

template <INT_PTR(CALLBACK *Procedure)(HWND, UINT, WPARAM, LPARAM)>
INT_PTR CALLBACK GuardedDialogProc(HWND dialog, UINT message, WPARAM wParam,
                                   LPARAM lParam) noexcept {
  try {
    return Procedure(dialog, message, wParam, lParam);
  } catch (...) {
    EndDialog(dialog, IDABORT);
    return TRUE;
  }
}

} // namespace wendrix

#pragma once
// Showing the product's user interface at a chosen view: handing the request
// to the running main program, or starting it with the request.
#include <windows.h>

#include "core/result.h"
#include "update/display_request.h"

namespace wendrix {

// WM_COPYDATA kind of a display request sent to the "WendrixDialog" window.
inline constexpr ULONG_PTR kDisplayRequestCopyData = WM_APP + 6;
// Asked of the "WendrixDialog" window: its main window, 0 while not ready.
inline constexpr UINT kDialogMainWindowQuery = WM_APP;
// Signalled by the main program when its user interface closes.
inline constexpr wchar_t kDialogCloseEvent[] = L"WendrixDialogCloseEvent";

// Shows the user interface for `request` (flags already normalised):
//  - a running "WendrixDialog" window gets the request: its main window is
//    restored and brought to the front, then the request goes over as
//    WM_COPYDATA; a negative answer is returned. With kDisplayInProcess the
//    call then waits until the user interface closes (the close event, or
//    the end of the window's process). A window that does not take the
//    message gives the wrapped Windows error (ERROR_TIMEOUT when it is hung).
//  - otherwise, with kDisplayInProcess, `runHere` runs the user interface
//    in the calling thread and its result is returned (E_NOTIMPL without
//    one).
//  - otherwise the main program is started in the product folder with the
//    request on its command line; E_FAIL when it does not start or ends
//    without showing its window, ERROR_TIMEOUT wrapped when its window does
//    not appear within 10 s of it being idle or does not get ready within
//    20 queries.
// The user interface run in the calling thread until it closes.
using InProcessUserInterface = HRESULT (*)(HWND owner, const DisplayRequest& request);

HRESULT ShowUserInterface(HWND owner, const DisplayRequest& request, InProcessUserInterface runHere = nullptr);

}  // namespace wendrix

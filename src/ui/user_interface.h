#pragma once
// The product's user interface run in the calling thread: what
// WendrixDisplayEx does with display flag 0x400 when no main window runs.
#include <windows.h>

#include "core/result.h"
#include "update/display_request.h"

namespace wendrix {

// Takes every pending request record (each is deleted once read), then runs
// the main window modally over `owner` until it closes. The request opens
// its view; without a view flag the first record's view is opened, and the
// records' items are shown in the Wallet view and queued for download or
// installation. E_FAIL when the window cannot be created.
HRESULT RunUserInterface(HWND owner, const DisplayRequest& request);

}  // namespace wendrix

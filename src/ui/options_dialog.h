#pragma once
// The Options dialog: the settings a user changes, on four tabs (check
// schedule, connection, downloads, prompts).
#include <windows.h>

#include "core/result.h"

namespace wendrix {

// Shows the dialog modally, owned by `owner` (may be null). OK checks every
// field (a refused one is pointed out and the dialog stays), saves the
// settings and, when the check period changed, tells the scheduler. S_OK
// when the user saved, S_FALSE when cancelled; a failure code when the
// settings could not be loaded or saved or the dialog could not be shown
// (the caller shows ErrorText of it).
HRESULT ShowOptionsDialog(HWND owner);

}  // namespace wendrix

#pragma once
// The confirmation the user asked for before each check (the Prompt option).
#include "core/result.h"

namespace wendrix {

struct InternetSettings;

// Asks whether to check now: S_OK to go on; E_ABORT when the user cancels or
// opens the options instead (the main program then shows them). Ticking "Do
// not ask me again" turns Prompt off and saves the settings.
HRESULT ConfirmCheck(InternetSettings& settings, bool automatic);

}  // namespace wendrix

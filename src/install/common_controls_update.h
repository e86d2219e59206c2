#pragma once
// Systems whose common-controls library is older than 5.80 get the update
// the setup carries ("50Comupd.exe"), which takes effect at the next restart.
#include <string>

#include "core/result.h"

namespace wendrix {

// Runs `sourceFolder`\50Comupd.exe quietly ("/r:n /q:a") and waits for it
// when the system's comctl32.dll reports a version below 5.80 and the
// folder has the update. True in `restartNeeded` when it ran. A system
// whose library cannot be asked, or a folder without the update, is left
// as it is.
HRESULT UpdateCommonControls(const std::wstring& sourceFolder, bool& restartNeeded);

}  // namespace wendrix

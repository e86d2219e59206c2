#pragma once
// Opening an address, a document or a folder the way the user's shell does.
#include <string>

#include "core/result.h"

namespace wendrix {

// ShellExecuteEx with the "open" verb and show state SW_SHOW, finished before
// it returns (a short-lived caller may exit at once); a failure is the
// wrapped error the shell reports.
HRESULT OpenWithShell(const std::wstring& target);

}  // namespace wendrix

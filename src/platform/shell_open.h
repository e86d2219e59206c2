#pragma once
// Opening an address, a document or a folder the way the user's shell does.
#include <windows.h>

#include <string>

#include "core/result.h"
#include "platform/unique_handle.h"

namespace wendrix {

// ShellExecuteEx with the "open" verb and show state SW_SHOW, finished before
// it returns (a short-lived caller may exit at once); a failure is the
// wrapped error the shell reports.
HRESULT OpenWithShell(const std::wstring& target);

// Starts `program` through the shell (so that a manifest's request for
// administrator rights is honoured) with `parameters` (may be empty), in
// `folder` (empty: the caller's), `owner` owning what the shell shows; show
// state SW_SHOWNORMAL, finished before it returns. `process` receives the
// new process (it may stay empty). A failure is the wrapped shell error.
HRESULT StartProgram(const std::wstring& program, const std::wstring& parameters, const std::wstring& folder,
                     HWND owner, UniqueKernelObject& process);

}  // namespace wendrix

#pragma once
// Starting the product's programs again after they were stopped: the main
// program without arguments for the dialog, with "/s" for the scheduler.
#include <string>

#include "core/result.h"
#include "platform/unique_handle.h"

namespace wendrix {

// Starts the main program of the product folder, in that folder, with
// `parameters` (may be empty); the process, or a failure.
HRESULT StartMainProgram(const std::wstring& parameters, UniqueKernelObject& process);

// Whether a request record waits for the next main program. The records
// belong to the wallet, above this layer, so the caller hands the question in.
using RequestPendingQuery = bool (*)();

// With `dialog`, when no dialog runs and no request record is pending, the
// main program is started without arguments and waited for (idle within
// 10 s, then its dialog window within 20 looks 500 ms apart). Then, when no
// scheduler window runs, the main program is started with "/s" and waited
// for the same way. When a record was pending, the dialog window that the
// main program opens for it is awaited for up to 10 looks 500 ms apart.
// A program that cannot be started gives its error at once; a window that
// is slow to come is not a failure (the program may yet open it).
HRESULT StartProductPrograms(bool dialog, RequestPendingQuery requestPending);

}  // namespace wendrix

#pragma once
// Waiting on kernel objects from a thread that owns windows: messages sent or
// posted to them are dispatched meanwhile, so the windows keep answering
// (another process's SendMessage to them would otherwise hang).
#include <windows.h>

#include <span>

namespace wendrix {

// Waits without limit for any of `handles` (at most MAXIMUM_WAIT_OBJECTS - 1),
// dispatching this thread's messages. Answers as WaitForMultipleObjects does
// (WAIT_OBJECT_0 + i, WAIT_ABANDONED_0 + i, WAIT_FAILED). A WM_QUIT met on the
// way is posted again once the wait is over.
DWORD WaitDispatchingMessages(std::span<const HANDLE> handles) noexcept;

}  // namespace wendrix

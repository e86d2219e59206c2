#pragma once
// Stopping the product's running programs through their windows: the main
// dialog, the wallet's download windows and the scheduler, in this order,
// each asked to close and its process waited for.
#include <windows.h>

#include <cstdint>

#include "core/result.h"

namespace wendrix {

inline constexpr wchar_t kDialogWindowClass[] = L"WendrixDialog";
inline constexpr wchar_t kDownloadWindowClass[] = L"WendrixWalletDownload";
inline constexpr wchar_t kSchedulerWindowClass[] = L"WendrixScheduler";

// The dialog's stop message (wParam: the stop flags' bit 0); the other
// windows close on WM_APP.
inline constexpr UINT kDialogStopMessage = WM_APP + 1;
inline constexpr UINT kProgramStopMessage = WM_APP;

// Handed to the dialog with its stop message: the caller restarts the
// programs afterwards.
inline constexpr std::uint32_t kStopForRestart = 1;

// Stops every window of the three classes. For each window the owning
// process is raised to high priority, sent the message and waited for up to
// 10 s (a process that cannot be opened: its window is watched for 10 s,
// then a second more). A class whose window outlives that gives the
// ERROR_BUSY code, its process's priority put back; the other classes are
// still stopped, and the first failing class's result is returned.
HRESULT StopProductPrograms(std::uint32_t flags);

}  // namespace wendrix

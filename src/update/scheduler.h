#pragma once
// The library's side of the scheduler: a hidden window of class
// "WendrixScheduler" in the user-interface process starts automatic checks;
// the library makes sure it runs and tells it when a check has ended.
#include <windows.h>

namespace wendrix {

inline constexpr wchar_t kSchedulerClass[] = L"WendrixScheduler";
inline constexpr UINT kSchedulerCheckEnded = WM_APP + 1;   // answered non-zero when the schedule is set
inline constexpr UINT kSchedulerQueryState = WM_APP + 2;
inline constexpr UINT kSchedulerCopyData = WM_APP + 3;     // WM_COPYDATA kind: a uint32 and a text

// True when the scheduler runs (and answered WM_APP+1 non-zero within 60 s)
// or is not needed (manual checks). Otherwise starts the user-interface
// program with "/s" and waits for its window: idle within 40 s, then the
// window within 10 s.
bool EnsureScheduler();

// The scheduler window, starting the user-interface program with "/sf" when
// there is none and waiting up to 10 s for it; null when it does not come.
HWND StartSchedulerWindow();

}  // namespace wendrix

#pragma once
// The scheduler of the main program: a hidden window of class
// "WendrixScheduler" that starts each automatic check when it falls due.
#include <windows.h>

namespace wendrix::program {

// Runs the scheduler until its window is closed (WM_CLOSE, or WM_APP as the
// library sends to stop the product's programs). When another scheduler runs
// in this session already, returns at once. The exit code: 0, or 1 when the
// window cannot be created.
//
// The window answers:
//  - WM_APP+1 (a check ended; set the schedule): the settings are read and
//    the next look is set; non-zero once done, 0 when the settings cannot be
//    read. While an automatic check runs the answer is non-zero and the
//    schedule is set when the check ends.
//  - WM_APP+2 (state): 1 when idle, 2 while an automatic check runs.
// With the period Manual no check is started, but the window stays and
// answers, and looks at the settings every minute: choosing a period in the
// options takes effect without a restart.
int RunScheduler(HINSTANCE instance);

}  // namespace wendrix::program

#pragma once
// Files that cannot be replaced now because a running program holds them:
// who holds them, replacing them at the next restart, and the restart.
#include <string>

namespace wendrix {

// The titles of the applications that have `path` loaded as a module, one
// per line ("title\r\n"): the visible top-level windows without parent or
// owner, with a title, other than the desktop ("Progman") and the taskbar
// ("Shell_TrayWnd"), whose process has a module of that path (slashes as
// backslashes, case ignored). Empty when none, or when PSAPI is missing.
std::wstring ApplicationsUsingFile(const std::wstring& path);

// Schedules `source` to replace `destination` when the system next starts
// (MoveFileExW with MOVEFILE_REPLACE_EXISTING | MOVEFILE_DELAY_UNTIL_REBOOT,
// bound at run time); without a destination, `source` is deleted then.
// False when the system will not do it. The older systems' WININIT.INI route
// is not taken: the library does not run on them.
bool ReplaceAtRestart(const wchar_t* source, const wchar_t* destination) noexcept;

// Enables the shutdown privilege for this process and restarts the system
// as a planned installation (reason 0x80040002). False when refused.
bool RestartSystem() noexcept;

}  // namespace wendrix

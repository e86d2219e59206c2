#pragma once
// An ordinary installer of a wallet entry runs through a copy of the
// launcher in the user's temporary folder ("Wendrix Launcher\<ID>\"): the
// launcher holds "Installing_<ID>" while the installer runs, and the entry's
// download window can stop the wait through "Stop_Installer_<ID>".
#include <windows.h>

#include <string>

#include "core/result.h"

namespace wendrix {

// The result of a wait that the entry's stop event ended: the entry stays
// Installing and the launcher copy is kept, so that a later run can wait for
// the installer it started.
inline constexpr HRESULT kInstallerWaitStopped = HResultFromWin32(ERROR_OPERATION_ABORTED);

// The folder of the entry's launcher copy, ending in a backslash; the code
// of ERROR_INSUFFICIENT_BUFFER when the copy's path would reach 245
// characters. Nothing is created.
HRESULT EntryLauncherFolder(const std::wstring& entryId, std::wstring& folder);

// Copies the launcher, starts it to run `file` with `parameters` under the
// entry's mutex, and waits for the launcher or the stop event while this
// thread's windows keep answering. Success once the launcher ended (the
// installer's own exit code is not examined); kInstallerWaitStopped when
// stopped; E_FAIL when the launcher does not start. Unless stopped, the copy
// and its folder are deleted.
HRESULT RunThroughLauncher(const std::wstring& entryId, const std::wstring& file, const std::wstring& parameters,
                           HWND parent);

// Waits for a launcher an earlier run started: for its mutex (gaining it
// means the installer has ended) or the stop event; then as above.
HRESULT WaitForEntryLauncher(const std::wstring& entryId);

}  // namespace wendrix

#pragma once
// Starting the product's launcher ("wendrixl.exe") from a copy, so that the
// product folder's own file is free to be replaced while an installer or the
// product's update runs.
#include <windows.h>

#include <string>

#include "core/result.h"
#include "platform/unique_handle.h"
#include "setup/launcher_command.h"

namespace wendrix {

// Copies the product's launcher into the existing folder `folder` (ending in
// a backslash) under its own name, replacing an older copy; `copy` receives
// the copy's path.
HRESULT CopyLauncherInto(const std::wstring& folder, std::wstring& copy);

// Starts the launcher copy with the command's line, `parent` owning what the
// shell shows; `process` receives the launcher's process. E_FAIL when it
// does not start.
HRESULT StartLauncher(const std::wstring& copy, const LauncherCommand& command, HWND parent,
                      UniqueKernelObject& process);

}  // namespace wendrix

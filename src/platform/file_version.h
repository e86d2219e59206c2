#pragma once
// The fixed file version of a module's version resource.
#include <windows.h>

#include <optional>
#include <string>

#include "core/version.h"

namespace wendrix {

// The four 16-bit parts of a file's fixed file version (most significant word
// of the high part first); nothing when the file has no readable version.
std::optional<VersionParts> ReadFileVersion(const wchar_t* path);

// A module's own file name, at most MAX_PATH - 1 characters; nothing on failure.
std::optional<std::wstring> ModuleFileName(HMODULE module);

}  // namespace wendrix

#pragma once
// Making a folder with every missing folder above it.
#include <string>

#include "core/result.h"

namespace wendrix {

// Creates `folder` and its missing ancestors, from the top (a drive "C:",
// the empty parts of a UNC name and a trailing backslash are skipped).
// Folders that exist already are no error.
HRESULT CreateFolderTree(const std::wstring& folder);

}  // namespace wendrix

#pragma once
// Files and folders are put back or removed only after their read-only and
// hidden attributes are cleared: either would make the change fail.
#include <windows.h>

#include <string>

namespace wendrix {

inline void ClearReadOnlyHidden(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN)))
    SetFileAttributesW(path.c_str(), attributes & ~(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
}

}  // namespace wendrix

#pragma once
// Paths that come from files other processes may have written (list files,
// product-data files, fetched data files, rollback journals) are kept to the
// places they belong: a path either resolves inside its folder or is refused.
//
// The lexical rules are platform-free (the journal decoder and the
// publisher-ID check use them on the host too); the resolution against a
// folder uses the system's full-path rules and is Windows only.
#include <string>
#include <string_view>

#include "core/result.h"

namespace wendrix {

// True when `name`, read as a file name, opens a DOS device instead of a
// file: its part before the first "." (trailing blanks dropped) is CON, PRN,
// AUX, NUL, CONIN$, CONOUT$, COM0-COM9 or LPT0-LPT9 (also with the
// superscript digits 1-3), ignoring case.
bool IsDosDeviceName(std::wstring_view name) noexcept;

// True for a relative path that names something below the folder it is
// taken from: not empty; no leading separator; no ":" (no drive, no
// alternate data stream); no control characters or * ? " < > |; no
// component of only dots and blanks ("." and ".." among them); no component
// that is a DOS device name. "\" and "/" both separate components; empty
// components (doubled or trailing separators) are let through.
bool IsPlainRelativePath(std::wstring_view path) noexcept;

// True when `name` is a single file or folder name that Windows keeps as it
// is and that stays inside the folder it is put in: what IsPlainRelativePath
// accepts, without separators, not ending in a dot or a blank.
bool IsPlainFileName(std::wstring_view name) noexcept;

// True for an absolute path on a local drive: a letter, ":" and a separator,
// then what IsPlainRelativePath accepts (or nothing: the drive's root). UNC
// paths, "\\?\" and "\\.\" forms, drive-relative forms ("C:x", "\x") and
// alternate data streams are not.
bool IsLocalDrivePath(std::wstring_view path) noexcept;

// What ResolveInsideFolder answers for a path it refuses.
inline constexpr HRESULT kPathNotInsideFolder = HResultFromWin32(123);  // ERROR_INVALID_NAME

#ifdef _WIN32
// Resolves `path` against `folder` and keeps it only when it stays inside:
// a relative path (IsPlainRelativePath) is taken from `folder`, an absolute
// one (IsLocalDrivePath) as it stands; both are made full with the system's
// rules (GetFullPathNameW: separators, repeated separators, trailing dots)
// and the result must lie below the folder's own full path (compared
// ignoring case) and name something other than the folder itself.
// `resolved` receives the full path; on failure it is not touched.
// kPathNotInsideFolder for a path of another form or outside the folder,
// 0x8007006F when the full path reaches 260 characters, E_INVALIDARG for an
// empty folder. Links and junctions inside the folder are not followed:
// the folder's owner controls those.
HRESULT ResolveInsideFolder(std::wstring_view folder, std::wstring_view path, std::wstring& resolved);
#endif

}  // namespace wendrix

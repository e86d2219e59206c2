#pragma once
// Copying a file with the shell's file operation, as the journal does for
// backups and for putting them back.
#include <string>

#include "core/result.h"

namespace wendrix {

// The result of a shell file operation as a result code (0 stays 0): the
// shell's own error values map to the nearest Windows error, others are
// taken as Windows errors.
HRESULT ShellCopyResult(int result) noexcept;

// Copies `from` over `to` silently. The copy is verified: the shell can
// report success for a target it could not replace.
HRESULT ShellCopyFile(const std::wstring& from, const std::wstring& to);

}  // namespace wendrix

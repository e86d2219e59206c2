#pragma once
// The product's programs that work through the library (the setup program,
// the elevated installer program) load the copy beside themselves, of their
// own width: the files of one setup or one product folder belong together.
#include "core/result.h"
#include "platform/unique_handle.h"

namespace wendrix {

// Loads "wendrix.dll" (32-bit programs) or "wendrix64.dll" (64-bit ones)
// from the running program's folder; `library` is untouched on failure,
// which gives the Windows error (a path of 260 characters or more gives
// the code of ERROR_INSUFFICIENT_BUFFER).
HRESULT LoadLibraryBesideProgram(UniqueModule& library);

}  // namespace wendrix

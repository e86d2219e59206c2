#pragma once
// What one call of the ZIP library means to the library's callers: UnZip
// answers with its own return codes (0 to 83), which are turned into the
// HRESULTs the rest of the library speaks.
#include "core/result.h"

namespace wendrix {

// How a call of the ZIP library ended, besides its return code.
struct ZipOutcome {
  int code = 0;                   // UnZip's return code
  bool cancelled = false;         // the caller cancelled (a callback asked to stop)
  bool passwordCancelled = false; // the password question was cancelled
  bool directoryError = false;    // UnZip reported a "checkdir error:" (a folder it could not make or use)
  HRESULT lastError = E_FAIL;     // the thread's last Win32 error, wrapped, for a full disk
};

// Cancelling wins over everything, then a folder UnZip could not use
// (ERROR_ACCESS_DENIED), then the return code: 0 and 1 (a warning) succeed;
// 2 and 3 ERROR_FILE_CORRUPT; 4 to 8 E_OUTOFMEMORY; 9 ERROR_FILE_NOT_FOUND;
// 10 E_INVALIDARG; 11 ERROR_NOT_FOUND; 50 the last error; 51 ERROR_HANDLE_EOF;
// 80 and 82 (cancelled, every password wrong) E_ABORT; 81
// ERROR_UNSUPPORTED_TYPE; anything else E_FAIL.
HRESULT ZipOutcomeResult(const ZipOutcome& outcome) noexcept;

}  // namespace wendrix

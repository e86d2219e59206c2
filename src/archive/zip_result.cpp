#include "archive/zip_result.h"

namespace wendrix {

HRESULT ZipOutcomeResult(const ZipOutcome& outcome) noexcept {
  if (outcome.cancelled || outcome.passwordCancelled) return E_ABORT;
  if (outcome.directoryError) return HResultFromWin32(5);  // ERROR_ACCESS_DENIED
  switch (outcome.code) {
    case 0:   // PK_OK
    case 1:   // PK_WARN: something was skipped or odd, the rest is fine
      return S_OK;
    case 2:   // PK_ERR
    case 3:   // PK_BADERR
      return HResultFromWin32(1392);  // ERROR_FILE_CORRUPT
    case 4: case 5: case 6: case 7: case 8:  // PK_MEM .. PK_MEM5
      return E_OUTOFMEMORY;
    case 9:   // PK_NOZIP
      return HResultFromWin32(ERROR_FILE_NOT_FOUND);
    case 10:  // PK_PARAM
      return E_INVALIDARG;
    case 11:  // PK_FIND
      return HResultFromWin32(1168);  // ERROR_NOT_FOUND
    case 50:  // PK_DISK
      return outcome.lastError;
    case 51:  // PK_EOF
      return HResultFromWin32(38);    // ERROR_HANDLE_EOF
    case 80:  // IZ_CTRLC
    case 82:  // IZ_BADPWD
      return E_ABORT;
    case 81:  // IZ_UNSUP
      return HResultFromWin32(1630);  // ERROR_UNSUPPORTED_TYPE
    default:
      return E_FAIL;
  }
}

}  // namespace wendrix

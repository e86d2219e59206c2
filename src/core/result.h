#pragma once
// Result codes shared by the platform-free code and the Windows code.
//
// Every operation answers a 32-bit HRESULT-style code: 0 success, 1 success
// with a negative answer, negative values failures. Windows errors are wrapped
// into facility 7; the library's own failures use facility 4 with the number
// of a string-table message in the low 16 bits.
#include <cstdint>

#include "resources/string_ids.h"

#ifdef _WIN32
#include <windef.h>
#include <winbase.h>
#include <winerror.h>
#else
using HRESULT = std::int32_t;
#define S_OK ((HRESULT)0)
#define S_FALSE ((HRESULT)1)
#define E_NOTIMPL ((HRESULT)0x80004001)
#define E_POINTER ((HRESULT)0x80004003)
#define E_ABORT ((HRESULT)0x80004004)
#define E_FAIL ((HRESULT)0x80004005)
#define E_OUTOFMEMORY ((HRESULT)0x8007000E)
#define E_INVALIDARG ((HRESULT)0x80070057)
#define SUCCEEDED(hr) (((HRESULT)(hr)) >= 0)
#define FAILED(hr) (((HRESULT)(hr)) < 0)
#define ERROR_FILE_NOT_FOUND 2L
#define ERROR_PATH_NOT_FOUND 3L
#define ERROR_INVALID_HANDLE 6L
#define ERROR_NOT_ENOUGH_MEMORY 8L
#define ERROR_INVALID_DATA 13L
#define ERROR_OUTOFMEMORY 14L
#define ERROR_INVALID_PARAMETER 87L
#define ERROR_BUFFER_OVERFLOW 111L
#endif

namespace wendrix {

// Wraps a Win32 error code: 0 or less stays as it is, anything else becomes
// 0x80070000 | (code & 0xFFFF).
constexpr HRESULT HResultFromWin32(long code) {
  return code <= 0 ? static_cast<HRESULT>(code)
                   : static_cast<HRESULT>(0x80070000u | (static_cast<std::uint32_t>(code) & 0xFFFFu));
}

#ifdef _WIN32
// The calling thread's last Win32 error, wrapped: what a failed Windows call
// answers. A call that failed without setting an error gives E_FAIL, so that
// a failure never reads as success.
inline HRESULT LastErrorResult() noexcept {
  const DWORD error = ::GetLastError();
  return error ? HResultFromWin32(static_cast<long>(error)) : E_FAIL;
}
#endif

// The library's own failure for string-table message `message`.
constexpr HRESULT HResultFromMessage(std::uint16_t message) {
  return static_cast<HRESULT>(0x80040000u | message);
}

// Codes with a meaning of their own across the library, one name each.
// Text or a record that does not follow its format (ERROR_INVALID_DATA).
inline constexpr HRESULT kInvalidData = HResultFromWin32(13);
inline constexpr HRESULT kBufferTooSmall = HResultFromWin32(111);    // ERROR_BUFFER_OVERFLOW
inline constexpr HRESULT kProductFolderMissing = HResultFromWin32(3);
inline constexpr HRESULT kExportMissing = HResultFromWin32(1);       // the installed copy lacks a forwarded export
inline constexpr HRESULT kNoKeyPath = HResultFromWin32(6);           // ERROR_INVALID_HANDLE
inline constexpr HRESULT kElementNotFound = HResultFromWin32(1168);  // ERROR_NOT_FOUND

// The library's own failures, each explained by its string-table message.
inline constexpr HRESULT kMissingApplication = HResultFromMessage(kStrMissingApplication);
inline constexpr HRESULT kMissingPublisherName = HResultFromMessage(kStrMissingPublisherName);
inline constexpr HRESULT kMissingPublisherHomePage = HResultFromMessage(kStrMissingPublisherHomePage);
inline constexpr HRESULT kMissingPublisherDataSource = HResultFromMessage(kStrMissingPublisherDataSource);
inline constexpr HRESULT kMissingItemTitle = HResultFromMessage(kStrMissingItemTitle);
inline constexpr HRESULT kMissingGroupTitle = HResultFromMessage(kStrMissingGroupTitle);
inline constexpr HRESULT kMissingDataSource = HResultFromMessage(kStrMissingDataSource);
inline constexpr HRESULT kMissingId = HResultFromMessage(kStrMissingId);
inline constexpr HRESULT kNewerLibraryRequired = HResultFromMessage(kStrNewerVersionRequired);
inline constexpr HRESULT kConditionLoopError = HResultFromMessage(kStrConditionLoop);
inline constexpr HRESULT kDuplicateId = HResultFromMessage(kStrDuplicateIdentifier);
inline constexpr HRESULT kMissingType = HResultFromMessage(kStrMissingType);
inline constexpr HRESULT kMissingSubtype = HResultFromMessage(kStrMissingSubtype);
inline constexpr HRESULT kHtmlData = HResultFromMessage(kStrHtmlData);
inline constexpr HRESULT kXmlNotIni = HResultFromMessage(kStrFileNeedsNewerVersion);  // XML where INI text belongs

}  // namespace wendrix

// Propagation helpers: each returns the failing code from the enclosing function.
#define RETURN_IF_FAILED(expr)                   \
  do {                                           \
    const HRESULT wx_hr_ = (expr);               \
    if (FAILED(wx_hr_)) return wx_hr_;           \
  } while (0)

#define RETURN_HR_IF(hr, cond)                   \
  do {                                           \
    if (cond) return (hr);                       \
  } while (0)

// Returns LastErrorResult() when `cond` holds: for Windows calls that report
// failure by their answer (FALSE, null, 0) and the reason in GetLastError.
#define RETURN_LAST_ERROR_IF(cond)                        \
  do {                                                    \
    if (cond) return ::wendrix::LastErrorResult();        \
  } while (0)

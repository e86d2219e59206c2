// What one call of the ZIP library means: every return code UnZip gives, the
// last error of a full disk, and the flags that override the code.
#include <windows.h>

#include <gtest/gtest.h>

#include "archive/zip_result.h"

namespace wendrix {
namespace {

TEST(ZipOutcomeResultTest, EachCodeAndFlagHasItsResult) {
  constexpr HRESULT kCorrupt = HResultFromWin32(1392), kAccessDenied = HResultFromWin32(5);
  constexpr HRESULT kDiskFull = HResultFromWin32(112);
  const struct {
    int code;
    bool cancelled, passwordCancelled, directoryError;
    HRESULT expected;
  } cases[] = {
      {0, 0, 0, 0, S_OK}, {1, 0, 0, 0, S_OK}, {2, 0, 0, 0, kCorrupt}, {3, 0, 0, 0, kCorrupt},
      {4, 0, 0, 0, E_OUTOFMEMORY}, {8, 0, 0, 0, E_OUTOFMEMORY}, {9, 0, 0, 0, HResultFromWin32(ERROR_FILE_NOT_FOUND)},
      {10, 0, 0, 0, E_INVALIDARG}, {11, 0, 0, 0, HResultFromWin32(1168)},
      {12, 0, 0, 0, E_FAIL},  // a likely zip bomb has no result of its own
      {50, 0, 0, 0, kDiskFull}, {51, 0, 0, 0, HResultFromWin32(38)}, {80, 0, 0, 0, E_ABORT},
      {81, 0, 0, 0, HResultFromWin32(1630)}, {82, 0, 0, 0, E_ABORT}, {83, 0, 0, 0, E_FAIL}, {-1, 0, 0, 0, E_FAIL},
      {49, 0, 0, 0, E_FAIL}, {52, 0, 0, 0, E_FAIL}, {79, 0, 0, 0, E_FAIL},
      // Cancelling wins over everything, then a folder UnZip could not use.
      {0, 1, 0, 0, E_ABORT}, {0, 0, 1, 0, E_ABORT}, {2, 0, 1, 0, E_ABORT}, {3, 1, 0, 1, E_ABORT},
      {0, 0, 0, 1, kAccessDenied}, {1, 0, 0, 1, kAccessDenied}, {9, 0, 0, 1, kAccessDenied},
  };
  for (const auto& c : cases) {
    ZipOutcome outcome{c.code, c.cancelled, c.passwordCancelled, c.directoryError, kDiskFull};
    EXPECT_EQ(ZipOutcomeResult(outcome), c.expected) << "code " << c.code << " cancelled " << c.cancelled
                                                     << " password " << c.passwordCancelled << " folder "
                                                     << c.directoryError;
  }
}

}  // namespace
}  // namespace wendrix

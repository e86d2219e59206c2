// What one call of the ZIP library means: every return code UnZip gives, and
// the flags that override it.
#include <windows.h>

#include <gtest/gtest.h>

#include "archive/zip_result.h"

namespace wendrix {
namespace {

TEST(ZipOutcomeResultTest, EachReturnCodeHasItsResult) {
  constexpr HRESULT kCorrupt = HResultFromWin32(1392);
  const struct {
    int code;
    HRESULT expected;
  } cases[] = {
      {0, S_OK},
      {1, S_OK},
      {2, kCorrupt},
      {3, kCorrupt},
      {4, E_OUTOFMEMORY},
      {8, E_OUTOFMEMORY},
      {9, HResultFromWin32(ERROR_FILE_NOT_FOUND)},
      {10, E_INVALIDARG},
      {11, HResultFromWin32(1168)},
      {12, E_FAIL},  // a likely zip bomb has no result of its own
      {51, HResultFromWin32(38)},
      {80, E_ABORT},
      {81, HResultFromWin32(1630)},
      {82, E_ABORT},
      {83, E_FAIL},
      {-1, E_FAIL},
      {49, E_FAIL},
      {52, E_FAIL},
      {79, E_FAIL},
  };
  for (const auto& c : cases) {
    ZipOutcome outcome;
    outcome.code = c.code;
    EXPECT_EQ(ZipOutcomeResult(outcome), c.expected) << "code " << c.code;
  }
}

TEST(ZipOutcomeResultTest, AFullDiskGivesTheLastError) {
  ZipOutcome outcome;
  outcome.code = 50;
  outcome.lastError = HResultFromWin32(112);  // ERROR_DISK_FULL
  EXPECT_EQ(ZipOutcomeResult(outcome), HResultFromWin32(112));
}

TEST(ZipOutcomeResultTest, CancellingThenAFolderErrorOverrideTheCode) {
  constexpr HRESULT kAccessDenied = HResultFromWin32(5);
  const struct {
    bool cancelled, passwordCancelled, directoryError;
    int code;
    HRESULT expected;
  } cases[] = {
      {true, false, false, 0, E_ABORT},
      {false, true, false, 0, E_ABORT},
      {false, true, false, 2, E_ABORT},
      {true, false, true, 3, E_ABORT},
      {false, false, true, 0, kAccessDenied},
      {false, false, true, 1, kAccessDenied},
      {false, false, true, 9, kAccessDenied},
  };
  for (const auto& c : cases) {
    ZipOutcome outcome;
    outcome.code = c.code;
    outcome.cancelled = c.cancelled;
    outcome.passwordCancelled = c.passwordCancelled;
    outcome.directoryError = c.directoryError;
    EXPECT_EQ(ZipOutcomeResult(outcome), c.expected)
        << "code " << c.code << " cancelled " << c.cancelled << " password " << c.passwordCancelled << " folder "
        << c.directoryError;
  }
}

}  // namespace
}  // namespace wendrix

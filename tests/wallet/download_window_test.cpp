// Download windows as other processes see them: found by the entry ID,
// asked whether they download or install, paused and stopped through their
// status replies, and the downloads-pending event raised once none runs.
#include <windows.h>

#include <gtest/gtest.h>

#include "platform/unique_handle.h"
#include "wallet/download_window.h"
#include "wallet/entry_runner.h"
#include "wallet/status_message.h"

namespace wendrix {
namespace {

LRESULT Status(HWND window, StatusCode code, std::uint32_t value) {
  const auto block = StatusPayload(value, 0, 0, 0, L"id");
  COPYDATASTRUCT data{code, static_cast<DWORD>(block.size()), const_cast<std::uint8_t*>(block.data())};
  return SendMessageW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
}

TEST(DownloadWindow, AnswersQueriesPauseAndStopAndRaisesThePendingEvent) {
  CDownloadWindow first, second;
  ASSERT_EQ(first.Start(L"Entry_A"), S_OK);
  ASSERT_EQ(second.Start(L"Entry_B"), S_OK);
  EXPECT_EQ(FindDownloadWindow(L"Entry_A"), first.Window());
  const HWND a = first.Window(), b = second.Window();
  UniqueKernelObject pending(OpenEventW(SYNCHRONIZE, FALSE, kDownloadsPendingEvent));
  ASSERT_TRUE(pending);

  EXPECT_EQ(Status(a, kStatusChanged, kWalletDownloading), 1);
  EXPECT_EQ(Status(b, kStatusChanged, kWalletDownloading), 1);
  EXPECT_EQ(SendMessageW(a, kDownloadQueryRunning, 0, 0), 1);
  EXPECT_EQ(CountDownloads().downloading, 2);

  EXPECT_EQ(SendMessageW(a, kDownloadPause, 0, 0), 1);
  EXPECT_EQ(Status(a, kStatusProgress, 0), kReplyBusy);
  EXPECT_EQ(SendMessageW(a, kDownloadResume, 0, 0), 1);
  EXPECT_EQ(Status(a, kStatusProgress, 0), kReplyGoOn);

  // A stop reaches the entry's installer too.
  UniqueKernelObject stopInstaller(CreateEventW(nullptr, TRUE, FALSE, L"Stop_Installer_Entry_A"));
  EXPECT_EQ(SendMessageW(a, kDownloadStop, 0, 0), 1);
  EXPECT_EQ(WaitForSingleObject(stopInstaller.Get(), 0), WAIT_OBJECT_0);
  EXPECT_EQ(Status(a, kStatusStarted, 0), kReplyAbort);
  EXPECT_EQ(SendMessageW(a, kDownloadQueryRunning, 0, 0), 0);

  // A finished, B still downloading: installations keep waiting.
  EXPECT_EQ(Status(a, kStatusChanged, kWalletStopped), 1);
  EXPECT_EQ(WaitForSingleObject(pending.Get(), 0), WAIT_TIMEOUT);
  EXPECT_EQ(Status(b, kStatusChanged, kWalletInstalling), 1);
  EXPECT_EQ(SendMessageW(b, kDownloadQueryInstalling, 0, 0), 1);
  EXPECT_EQ(WaitForSingleObject(pending.Get(), 0), WAIT_OBJECT_0);
  EXPECT_EQ(CountDownloads().installing, 1);
}

TEST(DownloadWindow, EndsWithItsOwner) {
  HWND window = nullptr;
  {
    CDownloadWindow owner;
    ASSERT_EQ(owner.Start(L"Short_lived"), S_OK);
    window = owner.Window();
  }
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(FindDownloadWindow(L"Short_lived"), nullptr);
}

}  // namespace
}  // namespace wendrix

// Download windows as other processes see them: found by the entry ID,
// asked whether they download or install, paused and stopped through their
// status replies, and the downloads-pending event raised once none runs.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "../support/loaded_library.h"
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

// A log-off asks the user while downloads run: the other downloads wait
// while the question is open, No lets them go on, Yes stops them. An
// installation refuses the log-off without asking.
TEST(DownloadWindow, LogOffAsksWhileDownloadsRunAndStopsThemOnYes) {
  test::LoadedLibrary library;  // the question's texts
  ASSERT_TRUE(library.Loaded());
  CDownloadWindow self, other;
  ASSERT_EQ(self.Start(L"Log_off_self"), S_OK);
  ASSERT_EQ(other.Start(L"Log_off_other"), S_OK);
  const HWND a = self.Window(), b = other.Window();
  auto queryEndSession = [a] {
    DWORD_PTR answer = 99;
    EXPECT_TRUE(SendMessageTimeoutW(a, WM_QUERYENDSESSION, 0, 0, SMTO_NORMAL, 30000, &answer));
    return answer;
  };
  EXPECT_EQ(Status(b, kStatusChanged, kWalletDownloading), 1);
  EXPECT_EQ(Status(a, kStatusChanged, kWalletInstalling), 1);
  EXPECT_EQ(queryEndSession(), static_cast<DWORD_PTR>(FALSE));
  EXPECT_EQ(Status(a, kStatusChanged, kWalletStopped), 1);

  for (const int button : {IDNO, IDYES}) {
    std::atomic<LRESULT> otherWhileAsked{-1};
    std::thread user([&] {
      HWND box = nullptr;
      for (int attempt = 0; attempt < 200 && !box; ++attempt, Sleep(50)) box = FindWindowW(L"#32770", nullptr);
      if (!box) return;
      otherWhileAsked = Status(b, kStatusProgress, 0);
      PostMessageW(box, WM_COMMAND, button, 0);
    });
    const DWORD_PTR answer = queryEndSession();
    user.join();
    EXPECT_EQ(otherWhileAsked.load(), kReplyBusy) << button;
    EXPECT_EQ(answer, static_cast<DWORD_PTR>(button == IDYES)) << button;
    EXPECT_EQ(Status(b, kStatusProgress, 0), button == IDYES ? kReplyAbort : kReplyGoOn);
  }
}

}  // namespace
}  // namespace wendrix

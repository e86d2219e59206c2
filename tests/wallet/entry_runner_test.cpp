// Running a wallet entry against a real HTTP server: files arrive under
// their temporary names and take their final ones, a complete file is not
// fetched again, receivers can stop or hold a download, failures are
// recorded in the entry and the event log.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "../support/http_server.h"
#include "../support/loaded_library.h"
#include "../support/shell_folder_redirect.h"
#include "saved_entry.h"
#include "publisher/windows_environment.h"
#include "wallet/entry_runner.h"
#include "wallet/installer_entry.h"
#include "wallet/status_message.h"
#include "wallet/wallet_file.h"
#include "wallet/wallet_store.h"

namespace wendrix {
namespace {

using test::HttpReply;
using test::MakeReply;

constexpr char kDate[] = "Last-Modified: Wed, 07 May 2013 10:20:30 GMT\r\n";

// The replies a notify window gives, by message code; every message seen.
struct NotifyScript {
  LRESULT started = kReplyGoOn, progress = kReplyGoOn;
  int busyReplies = 0;  // answer "busy" this many times first
  std::vector<std::uint32_t> statuses;
  int progressMessages = 0;
  std::uint64_t lastDone = 0;  // the bytes done of the last progress message
};
NotifyScript* g_script = nullptr;

LRESULT CALLBACK NotifyProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message != WM_COPYDATA || !g_script) return DefWindowProcW(window, message, w, l);
  const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(l);
  const auto* numbers = static_cast<const std::uint32_t*>(data->lpData);
  switch (data->dwData) {
    case kStatusChanged: g_script->statuses.push_back(numbers[0]); return kReplyGoOn;
    case kStatusStarted:
      if (g_script->busyReplies > 0) return --g_script->busyReplies, kReplyBusy;
      return g_script->started;
    default:
      ++g_script->progressMessages;
      g_script->lastDone = numbers[0] | static_cast<std::uint64_t>(numbers[1]) << 32;
      return g_script->progress;
  }
}

// A progress callback (a __stdcall function in the 32-bit build) that keeps
// the total it was told and asks to stop.
int CALLBACK RecordTotalAndStop(const wchar_t*, const wchar_t* total, int, void* seen) {
  *static_cast<std::wstring*>(seen) = total;
  return 0;
}

class EntryRunnerTest : public test::ShellFolderTest {
 protected:
  void SetUp() override {
    ShellFolderTest::SetUp();
    ASSERT_TRUE(m_library.Loaded());
    ASSERT_TRUE(m_server.Start());
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = NotifyProc;
    windowClass.lpszClassName = L"WalletRunnerTestNotify";
    RegisterClassW(&windowClass);
    m_receivers.notifyWindow = CreateWindowW(L"WalletRunnerTestNotify", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                             nullptr, nullptr);
    g_script = &m_script;
  }
  void TearDown() override {
    g_script = nullptr;
    DestroyWindow(m_receivers.notifyWindow);
    m_server.Stop();
    ShellFolderTest::TearDown();
  }

  // A Downloading entry of an action with these address keys.
  WalletEntry Entry(const std::string& addressKeys, const wchar_t* flags = L"") {
    const std::wstring text =
        L"[Publisher]\nID=1.3.6.1.4.1.99999.7\nName=Acme\nHomePage=http://www.acme.example/\n"
        L"Application=\"Kestmoor(R) Wendrix(TM)\"\n[Item]\nID=Tool\nType=Software\nTitle=T\nAction=Get\n"
        L"[Text]\nID=T\nText=en,Tool\n[Action]\nID=Get\nType=Download\nSubtype=Update\nFlags=" +
        std::wstring(flags) + L"\nVersion=2.5\n" + std::wstring(addressKeys.begin(), addressKeys.end());
    return test::SavedEntry(text, m_env);
  }
  std::string Url(const char* path) const {
    const std::wstring url = m_server.Url(path);
    return std::string(url.begin(), url.end());
  }
  std::string FileOf(const WalletEntry& entry, std::uint32_t index, bool temporaryForm = false) {
    std::wstring path;
    if (FAILED(WalletEntryFilePath(entry, index, temporaryForm, path))) return "<no name>";
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "<missing>";
    std::string bytes(GetFileSize(file, nullptr), '\0');
    DWORD read = 0;
    ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    CloseHandle(file);
    return bytes;
  }
  WalletEntry Reloaded(const WalletEntry& entry) {
    WalletEntry again;
    EXPECT_EQ(LoadWalletEntry(entry.Id(), again), S_OK);
    return again;
  }
  std::wstring Log() { return ReadText(m_user + L"\\Kestmoor\\Wendrix\\Wendrix.log"); }

  test::LoadedLibrary m_library;
  test::TestHttpServer m_server;
  const WindowsPublisherEnvironment m_env{L"3.8.10.0"};
  NotifyScript m_script;
  EntryReceivers m_receivers;
};

TEST_F(EntryRunnerTest, ASingleFileArrivesAndIsNotFetchedAgainWhenComplete) {
  m_server.On("/d/setup.exe", MakeReply(200, "OK", std::string(70000, 'x'), kDate));
  WalletEntry entry = Entry("URL=" + Url("/d/setup.exe") + "\n");
  ASSERT_EQ(RunWalletEntry(entry, m_receivers, nullptr, nullptr), S_OK);
  EXPECT_EQ(FileOf(entry, 0), std::string(70000, 'x'));
  EXPECT_EQ(FileOf(entry, 0, true), "<missing>");
  WalletEntry saved = Reloaded(entry);
  EXPECT_EQ(saved.Status(), kWalletDownloaded);
  EXPECT_EQ(saved.wallet.bytes, 70000u);
  EXPECT_NE(saved.wallet.lastModified, 0u);
  EXPECT_EQ(m_script.statuses, std::vector<std::uint32_t>{kWalletDownloaded});
  EXPECT_GE(m_script.progressMessages, 1);
  const std::wstring log = Log();
  EXPECT_NE(log.find(L"DownloadStarted"), std::wstring::npos) << log;
  EXPECT_NE(log.find(L"DownloadComplete"), std::wstring::npos) << log;

  // Same size, same date: the file on disk is kept, nothing is fetched into it.
  m_server.On("/d/setup.exe", MakeReply(200, "OK", std::string(70000, 'y'), kDate));
  saved.wallet.status = kWalletDownloading;
  ASSERT_EQ(RunWalletEntry(saved, m_receivers, nullptr, nullptr), S_OK);
  EXPECT_EQ(FileOf(entry, 0), std::string(70000, 'x'));
  // A newer file on the server is fetched.
  m_server.On("/d/setup.exe", MakeReply(200, "OK", std::string(100, 'z'), "Last-Modified: Thu, 08 May 2013 10:20:30 GMT\r\n"));
  saved = Reloaded(entry);
  saved.wallet.status = kWalletDownloading;
  ASSERT_EQ(RunWalletEntry(saved, m_receivers, nullptr, nullptr), S_OK);
  EXPECT_EQ(FileOf(entry, 0), std::string(100, 'z'));
}

TEST_F(EntryRunnerTest, MultiFileActionsRecordEachResource) {
  m_server.On("/a.cab", MakeReply(200, "OK", "aaaa", kDate));
  m_server.On("/b.cab", MakeReply(200, "OK", "bbbbbb", kDate));
  WalletEntry entry = Entry("Resource=" + Url("/a.cab") + "\nResource=" + Url("/b.cab") + "\n");
  ASSERT_EQ(RunWalletEntry(entry, m_receivers, nullptr, nullptr), S_OK);
  EXPECT_EQ(FileOf(entry, 0) + FileOf(entry, 1), "aaaabbbbbb");
  const WalletEntry saved = Reloaded(entry);
  ASSERT_EQ(saved.wallet.resources.size(), 2u);
  EXPECT_EQ(saved.wallet.resources[1].size, 6u);
  EXPECT_NE(saved.wallet.resources[1].date, 0u);
  EXPECT_EQ(saved.wallet.bytes, 10u);
  EXPECT_EQ(entry.transferred, 10u);
}

TEST_F(EntryRunnerTest, ReceiversStopOrHoldTheDownload) {
  m_server.On("/s.exe", MakeReply(200, "OK", std::string(200000, 's'), kDate));
  m_script.progress = kReplyAbort;
  WalletEntry stopped = Entry("URL=" + Url("/s.exe") + "\n");
  EXPECT_EQ(RunWalletEntry(stopped, m_receivers, nullptr, nullptr), E_ABORT);
  EXPECT_EQ(Reloaded(stopped).Status(), kWalletStopped);
  EXPECT_EQ(FileOf(stopped, 0), "<missing>");
  // What had arrived when it stopped is in the temporary file, and no more.
  ASSERT_GT(m_script.lastDone, 0u);
  EXPECT_EQ(FileOf(stopped, 0, true), std::string(m_script.lastDone, 's'));
  EXPECT_NE(Log().find(L"Aborted"), std::wstring::npos);

  // Busy twice, then go on: the sender waits and asks again.
  m_script = NotifyScript{};
  m_script.busyReplies = 2;
  WalletEntry held = Entry("URL=" + Url("/s.exe") + "\n");
  EXPECT_EQ(RunWalletEntry(held, m_receivers, nullptr, nullptr), S_OK);
  EXPECT_EQ(m_script.busyReplies, 0);
  EXPECT_EQ(FileOf(held, 0).size(), 200000u);

  // A callback that answers 0 stops the download as well.
  m_script = NotifyScript{};
  m_receivers.callback = &RecordTotalAndStop;
  std::wstring total;
  m_receivers.context = &total;
  WalletEntry cancelled = Entry("URL=" + Url("/s.exe") + "\n");
  EXPECT_EQ(RunWalletEntry(cancelled, m_receivers, nullptr, nullptr), E_ABORT);
  EXPECT_EQ(total, L"200000");
}

TEST_F(EntryRunnerTest, FailuresAreRecordedAndAnUntrustedInstallerIsRefused) {
  m_server.On("/gone.exe", MakeReply(404, "Not Found", "no"));
  WalletEntry failed = Entry("URL=" + Url("/gone.exe") + "\n");
  const HRESULT hr = RunWalletEntry(failed, m_receivers, nullptr, nullptr);
  EXPECT_TRUE(FAILED(hr));
  const WalletEntry saved = Reloaded(failed);
  EXPECT_EQ(saved.Status(), kWalletError);
  EXPECT_EQ(static_cast<HRESULT>(saved.wallet.error), hr);
  EXPECT_NE(Log().find(L"From: " + m_server.Url("/gone.exe")), std::wstring::npos) << Log();

  WalletEntry noAddress = Entry("");
  EXPECT_EQ(RunWalletEntry(noAddress, m_receivers, nullptr, nullptr), kNoDownloadUrl);
  EXPECT_EQ(m_script.statuses, (std::vector<std::uint32_t>{kWalletError, kWalletError}));

  m_script = NotifyScript{};
  m_server.On("/i.exe", MakeReply(200, "OK", "installer", kDate));
  WalletEntry install = Entry("URL=" + Url("/i.exe") + "\n", L"Install");
  install.wallet.flags |= kWalletInstall;
  // Not a program the system trusts: refused, and kept as the user's
  // refusal rather than deleted as a failure.
  EXPECT_EQ(RunWalletEntry(install, m_receivers, nullptr, nullptr), E_ABORT);
  EXPECT_EQ(m_script.statuses,
            (std::vector<std::uint32_t>{kWalletWaitingToInstall, kWalletInstalling, kWalletError}));
  EXPECT_EQ(Reloaded(install).Status(), kWalletError);
}

}  // namespace
}  // namespace wendrix

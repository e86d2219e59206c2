// Running a wallet entry against a real HTTP server: files arrive under
// their temporary names and take their final ones, a complete file is not
// fetched again, receivers can stop or hold a download, failures are
// recorded in the entry and the event log, and pinned files must match.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/unique_handle.h"
#include "wallet/entry_pins.h"
#include "wallet/entry_runner.h"
#include "wallet/installer_entry.h"
#include "wallet/status_message.h"
#include "wallet_fixture.h"

namespace wendrix {
namespace {

using test::MakeReply;

constexpr char kDate[] = "Last-Modified: Wed, 07 May 2013 10:20:30 GMT\r\n";
// Two published files and their digests, one written in each case.
const std::string kSmall = "abc";
const std::wstring kSmallPin = L"SHA256=BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD\n";
// Many pieces on the wire and several runs to the file, no two runs alike,
// so that a run hashed twice, left out or out of order shows.
std::string Counting(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i % 251);
  return bytes;
}
const std::string kLarge = Counting(2600000);
const std::wstring kBothPins = kSmallPin + L"SHA256=1c6f5a3cd3b8d6532b3e3d311b6259907c51f91a4c5251cc0da4ad2261471517\n";

std::string Altered(std::string bytes) {
  bytes.back() ^= 1;
  return bytes;
}

// Where a file that is not the published one turns up.
enum class Stage {
  kNone,      // nowhere: everything passes
  kDownload,  // on the server
  kComplete,  // on disk after the download, found complete by the next run
  kInstall,   // on disk after the download, before the installation
};


// The replies a notify window gives, by message code; every message seen.
struct NotifyScript {
  LRESULT progress = kReplyGoOn;
  int busyReplies = 0;  // answer "busy" to the start this many times first
  std::vector<std::uint32_t> statuses;
  std::uint64_t lastDone = 0;  // the bytes done of the last progress message
};
NotifyScript* g_script = nullptr;

LRESULT CALLBACK NotifyProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message != WM_COPYDATA || !g_script) return DefWindowProcW(window, message, w, l);
  const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(l);
  const auto* numbers = static_cast<const std::uint32_t*>(data->lpData);
  switch (data->dwData) {
    case kStatusChanged: g_script->statuses.push_back(numbers[0]); return kReplyGoOn;
    case kStatusStarted: return g_script->busyReplies > 0 ? (--g_script->busyReplies, kReplyBusy) : kReplyGoOn;
    default:
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

class EntryRunnerTest : public test::ServedWalletTest {
 protected:
  void SetUp() override {
    ServedWalletTest::SetUp();
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
    ServedWalletTest::TearDown();
  }
  HRESULT Run(WalletEntry& entry) { return RunWalletEntry(entry, m_receivers, nullptr, nullptr); }
  // Runs the entry as saved once more, as a Downloading one.
  HRESULT RunAgain(const WalletEntry& entry) {
    WalletEntry saved = Reloaded(entry);
    saved.wallet.status = kWalletDownloading;
    return Run(saved);
  }

  // Changes the file's last byte and keeps its date, as if nothing had touched it.
  void Alter(const WalletEntry& entry, std::uint32_t index) {
    const std::wstring path = PathOf(entry, index);
    const std::uint64_t written = test::LastWrite(path);
    const std::string bytes = Altered(test::ReadFileBytes(path));
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, 0, nullptr));
    DWORD done = 0;
    ASSERT_TRUE(::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr));
    file.Reset();
    test::SetLastWrite(path, written);
  }

  NotifyScript m_script;
  EntryReceivers m_receivers;
};

TEST_F(EntryRunnerTest, ASingleFileArrivesAndIsNotFetchedAgainWhenComplete) {
  m_server.On("/d/setup.exe", MakeReply(200, "OK", std::string(70000, 'x'), kDate));
  WalletEntry entry = Entry(L"URL=" + Url("/d/setup.exe") + L"\n");
  ASSERT_EQ(Run(entry), S_OK);
  EXPECT_EQ(FileOf(entry, 0), std::string(70000, 'x'));
  EXPECT_EQ(FileOf(entry, 0, true), "<missing>");
  const WalletEntry saved = Reloaded(entry);
  EXPECT_EQ(saved.Status(), kWalletDownloaded);
  EXPECT_EQ(saved.wallet.bytes, 70000u);
  EXPECT_EQ(m_script.statuses, std::vector<std::uint32_t>{kWalletDownloaded});
  for (const wchar_t* event : {L"DownloadStarted", L"DownloadComplete"}) EXPECT_NE(Log().find(event), std::wstring::npos);

  // Same size, same date: the file on disk is kept, nothing is fetched into it.
  m_server.On("/d/setup.exe", MakeReply(200, "OK", std::string(70000, 'y'), kDate));
  ASSERT_EQ(RunAgain(entry), S_OK);
  EXPECT_EQ(FileOf(entry, 0), std::string(70000, 'x'));
  // A newer file on the server is fetched.
  m_server.On("/d/setup.exe", MakeReply(200, "OK", std::string(100, 'z'), "Last-Modified: Thu, 08 May 2013 10:20:30 GMT\r\n"));
  ASSERT_EQ(RunAgain(entry), S_OK);
  EXPECT_EQ(FileOf(entry, 0), std::string(100, 'z'));
}

TEST_F(EntryRunnerTest, ReceiversStopOrHoldTheDownload) {
  m_server.On("/s.exe", MakeReply(200, "OK", std::string(200000, 's'), kDate));
  const std::wstring keys = L"URL=" + Url("/s.exe") + L"\n";
  m_script.progress = kReplyAbort;
  WalletEntry stopped = Entry(keys);
  EXPECT_EQ(Run(stopped), E_ABORT);
  EXPECT_EQ(Reloaded(stopped).Status(), kWalletStopped);
  EXPECT_EQ(FileOf(stopped, 0), "<missing>");
  // What had arrived when it stopped is in the temporary file, and no more.
  ASSERT_GT(m_script.lastDone, 0u);
  EXPECT_EQ(FileOf(stopped, 0, true), std::string(m_script.lastDone, 's'));
  EXPECT_NE(Log().find(L"Aborted"), std::wstring::npos);

  // Busy twice, then go on: the sender waits and asks again.
  m_script = NotifyScript{};
  m_script.busyReplies = 2;
  WalletEntry held = Entry(keys);
  EXPECT_EQ(Run(held), S_OK);
  EXPECT_EQ(m_script.busyReplies, 0);
  EXPECT_EQ(FileOf(held, 0).size(), 200000u);

  // A callback that answers 0 stops the download as well.
  m_receivers.callback = &RecordTotalAndStop;
  std::wstring total;
  m_receivers.context = &total;
  WalletEntry cancelled = Entry(keys);
  EXPECT_EQ(Run(cancelled), E_ABORT);
  EXPECT_EQ(total, L"200000");
}

TEST_F(EntryRunnerTest, FailuresAreRecordedAndAnUntrustedInstallerIsRefused) {
  m_server.On("/gone.exe", MakeReply(404, "Not Found", "no"));
  WalletEntry failed = Entry(L"URL=" + Url("/gone.exe") + L"\n");
  const HRESULT hr = Run(failed);
  EXPECT_TRUE(FAILED(hr));
  const WalletEntry saved = Reloaded(failed);
  EXPECT_EQ(saved.Status(), kWalletError);
  EXPECT_EQ(static_cast<HRESULT>(saved.wallet.error), hr);
  EXPECT_NE(Log().find(L"From: " + Url("/gone.exe")), std::wstring::npos) << Log();

  WalletEntry noAddress = Entry(L"");
  EXPECT_EQ(Run(noAddress), kNoDownloadUrl);
  EXPECT_EQ(m_script.statuses, (std::vector<std::uint32_t>{kWalletError, kWalletError}));

  m_script = NotifyScript{};
  m_server.On("/i.exe", MakeReply(200, "OK", "installer", kDate));
  WalletEntry install = Entry(L"Flags=Install\nURL=" + Url("/i.exe") + L"\n");
  install.wallet.flags |= kWalletInstall;
  // Not a program the system trusts: refused, and kept as the user's
  // refusal rather than deleted as a failure.
  EXPECT_EQ(Run(install), E_ABORT);
  EXPECT_EQ(m_script.statuses, (std::vector<std::uint32_t>{kWalletWaitingToInstall, kWalletInstalling, kWalletError}));
  EXPECT_EQ(Reloaded(install).Status(), kWalletError);
}

// Downloads pinned by SHA-256: a file whose bytes are the published ones
// arrives; any other is deleted, the entry ends in Error with the bad-digest
// code and the event log names the file. The check holds for a file found
// complete, for every file of a multi-file action, and again right before
// the installation.
TEST_F(EntryRunnerTest, OnlyThePublishedBytesOfAPinnedActionGetThrough) {
  const struct {
    const char* name;
    bool multi;
    std::wstring pins;
    Stage stage;
    std::uint32_t altered;  // the file that is not the published one
    const wchar_t* file;
  } kCases[] = {
      {"one file, digits in capitals", false, kSmallPin, Stage::kNone, 0, L""},
      {"two files", true, kBothPins, Stage::kNone, 0, L""},
      {"one file changed on the server", false, kSmallPin, Stage::kDownload, 0, L"setup.exe"},
      {"the second of two changed on the server", true, kBothPins, Stage::kDownload, 1, L"b.cab"},
      {"a file past the last pin", true, kSmallPin, Stage::kDownload, 1, L"b.cab"},
      {"one file found complete, changed", false, kSmallPin, Stage::kComplete, 0, L"setup.exe"},
      {"the first of two found complete, changed", true, kBothPins, Stage::kComplete, 0, L"a.cab"},
      {"one file swapped before installing", false, kSmallPin, Stage::kInstall, 0, L"setup.exe"},
      {"the first of two swapped before installing", true, kBothPins, Stage::kInstall, 0, L"a.cab"},
      {"the second of two swapped before installing", true, kBothPins, Stage::kInstall, 1, L"b.cab"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    const bool onServer = c.stage == Stage::kDownload;
    m_server.On("/setup.exe", test::MakeReply(200, "OK", onServer ? Altered(kSmall) : kSmall, kDate));
    m_server.On("/a.cab", test::MakeReply(200, "OK", kSmall, kDate));
    m_server.On("/b.cab", test::MakeReply(200, "OK", onServer && c.pins == kBothPins ? Altered(kLarge) : kLarge, kDate));
    WalletEntry entry = Entry(L"Flags=Install\n" +
                              (c.multi ? L"Resource=" + Url("/a.cab") + L"\nResource=" + Url("/b.cab") + L"\n"
                                       : L"URL=" + Url("/setup.exe") + L"\n") + c.pins);
    HRESULT hr = Run(entry);
    if (!onServer) {
      ASSERT_EQ(hr, S_OK);
      WalletEntry saved = Reloaded(entry);
      EXPECT_EQ(saved.Status(), kWalletDownloaded);
      EXPECT_EQ(FileOf(entry, 0), kSmall);
      EXPECT_EQ(c.multi ? FileOf(entry, 1) : kLarge, kLarge);
      EXPECT_EQ(saved.EntryAction()->sha256, entry.EntryAction()->sha256);  // the Wallet file keeps the pins
      // A multi-file action records each resource and counts all their bytes.
      EXPECT_EQ(saved.wallet.resources.size(), c.multi ? 2u : 0u);
      EXPECT_EQ(saved.wallet.bytes, kSmall.size() + (c.multi ? kLarge.size() : 0));
      EXPECT_EQ(entry.transferred, saved.wallet.bytes);
      if (c.stage != Stage::kNone) Alter(entry, c.altered);
      // Found complete (and hashed) by another run, or installed.
      saved.wallet.status = c.stage == Stage::kInstall ? kWalletWaitingToInstall : kWalletDownloading;
      hr = Run(saved);
    }
    if (c.stage == Stage::kNone) {
      EXPECT_EQ(hr, S_OK);
      WalletEntry saved = Reloaded(entry);
      saved.wallet.status = kWalletWaitingToInstall;
      // Past the pins: whatever the installer route answers, not a digest refusal.
      EXPECT_NE(Run(saved), kBadDigest);
      continue;
    }
    EXPECT_EQ(hr, kBadDigest);
    const std::wstring log = Log();  // the line break after the name is written as an escape
    EXPECT_EQ(log.substr(log.rfind(L"File: ") + 6, std::wcslen(c.file) + 1), c.file + std::wstring(L"\\")) << log;
    if (c.stage == Stage::kInstall) continue;  // the failed installation deletes the entry
    const WalletEntry saved = Reloaded(entry);
    EXPECT_EQ(saved.Status(), kWalletError);
    EXPECT_EQ(static_cast<HRESULT>(saved.wallet.error), kBadDigest);
    EXPECT_EQ(FileOf(entry, c.altered, false), "<missing>");
    EXPECT_EQ(FileOf(entry, c.altered, true), "<missing>");
    EXPECT_EQ(FileOf(entry, 0), c.altered == 1 ? kSmall : "<missing>");  // the file before it passed
  }
}

}  // namespace
}  // namespace wendrix

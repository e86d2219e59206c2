// Downloads pinned by SHA-256, against a real HTTP server: a file whose
// bytes are the published ones arrives; any other is deleted, the entry ends
// in Error with the bad-digest code and the event log names the file. The
// check holds for a file found complete, for every file of a multi-file
// action, and again right before the installation.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "../support/http_server.h"
#include "../support/loaded_library.h"
#include "../support/shell_folder_redirect.h"
#include "saved_entry.h"
#include "publisher/windows_environment.h"
#include "wallet/entry_pins.h"
#include "wallet/entry_runner.h"
#include "wallet/installer_entry.h"
#include "wallet/wallet_store.h"

namespace wendrix {
namespace {

constexpr char kDate[] = "Last-Modified: Wed, 07 May 2013 10:20:30 GMT\r\n";
// Two published files and their digests, one written in each case.
const std::string kSmall = "abc";
const std::string kSmallPin = "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD";
// Many pieces on the wire and several runs to the file, no two runs alike,
// so that a run hashed twice, left out or out of order shows.
std::string Counting(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i % 251);
  return bytes;
}
const std::string kLarge = Counting(2600000);
const std::string kLargePin = "1c6f5a3cd3b8d6532b3e3d311b6259907c51f91a4c5251cc0da4ad2261471517";
const std::string kBothPins = "SHA256=" + kSmallPin + "\nSHA256=" + kLargePin + "\n";

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

class PinnedDownloadTest : public test::ShellFolderTest {
 protected:
  void SetUp() override {
    ShellFolderTest::SetUp();
    ASSERT_TRUE(m_library.Loaded());
    ASSERT_TRUE(m_server.Start());
  }
  void TearDown() override {
    m_server.Stop();
    ShellFolderTest::TearDown();
  }
  // A Downloading entry of an installing action with these address and pin lines.
  WalletEntry Entry(const std::string& keys) {
    const std::wstring text =
        L"[Publisher]\nID=1.3.6.1.4.1.99999.7\nName=Acme\nHomePage=http://www.acme.example/\n"
        L"Application=\"Kestmoor(R) Wendrix(TM)\"\n[Item]\nID=Tool\nType=Software\nTitle=T\nAction=Get\n"
        L"[Text]\nID=T\nText=en,Tool\n[Action]\nID=Get\nType=Download\nSubtype=Update\nFlags=Install\nVersion=2.5\n" +
        std::wstring(keys.begin(), keys.end());
    return test::SavedEntry(text, m_env);
  }
  std::string Url(const char* path) const {
    const std::wstring url = m_server.Url(path);
    return std::string(url.begin(), url.end());
  }
  std::wstring PathOf(const WalletEntry& entry, std::uint32_t index, bool temporaryForm) {
    std::wstring path;
    EXPECT_EQ(WalletEntryFilePath(entry, index, temporaryForm, path), S_OK);
    return path;
  }
  std::string FileOf(const WalletEntry& entry, std::uint32_t index, bool temporaryForm = false) {
    const std::wstring path = PathOf(entry, index, temporaryForm);
    return test::FileExists(path) ? test::ReadFileBytes(path) : "<missing>";
  }
  // Changes the file's last byte and keeps its date, as if nothing had touched it.
  void Alter(const WalletEntry& entry, std::uint32_t index) {
    const std::wstring path = PathOf(entry, index, false);
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    FILETIME written{};
    GetFileTime(file, nullptr, nullptr, &written);
    char last = 0;
    DWORD done = 0;
    SetFilePointer(file, -1, nullptr, FILE_END);
    ReadFile(file, &last, 1, &done, nullptr);
    last ^= 1;
    SetFilePointer(file, -1, nullptr, FILE_END);
    ::WriteFile(file, &last, 1, &done, nullptr);
    SetFileTime(file, nullptr, nullptr, &written);
    CloseHandle(file);
  }
  WalletEntry Reloaded(const WalletEntry& entry) {
    WalletEntry again;
    EXPECT_EQ(LoadWalletEntry(entry.Id(), again), S_OK);
    return again;
  }
  // The log's last refusal names `name`; the log writes the line break after it as an escape.
  void ExpectLastRefusalNames(const std::wstring& name) {
    const std::wstring log = ReadText(m_user + L"\\Kestmoor\\Wendrix\\Wendrix.log");
    const std::size_t at = log.rfind(L"File: ");
    ASSERT_NE(at, std::wstring::npos) << log;
    EXPECT_EQ(log.substr(at + 6, name.size() + 1), name + L"\\") << log;
  }

  test::LoadedLibrary m_library;
  test::TestHttpServer m_server;
  const WindowsPublisherEnvironment m_env{L"3.8.10.0"};
  EntryReceivers m_receivers;
};

TEST_F(PinnedDownloadTest, OnlyThePublishedBytesGetThrough) {
  const struct {
    const char* name;
    bool multi;
    std::string pins;
    Stage stage;
    std::uint32_t altered;  // the file that is not the published one
    const wchar_t* file;
  } kCases[] = {
      {"one file, digits in capitals", false, "SHA256=" + kSmallPin + "\n", Stage::kNone, 0, L""},
      {"two files", true, kBothPins, Stage::kNone, 0, L""},
      {"one file changed on the server", false, "SHA256=" + kSmallPin + "\n", Stage::kDownload, 0, L"setup.exe"},
      {"the second of two changed on the server", true, kBothPins, Stage::kDownload, 1, L"b.cab"},
      {"a file past the last pin", true, "SHA256=" + kSmallPin + "\n", Stage::kDownload, 1, L"b.cab"},
      {"one file found complete, changed", false, "SHA256=" + kSmallPin + "\n", Stage::kComplete, 0, L"setup.exe"},
      {"the first of two found complete, changed", true, kBothPins, Stage::kComplete, 0, L"a.cab"},
      {"one file swapped before installing", false, "SHA256=" + kSmallPin + "\n", Stage::kInstall, 0, L"setup.exe"},
      {"the first of two swapped before installing", true, kBothPins, Stage::kInstall, 0, L"a.cab"},
      {"the second of two swapped before installing", true, kBothPins, Stage::kInstall, 1, L"b.cab"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    const bool onServer = c.stage == Stage::kDownload;
    const std::string setup = onServer ? Altered(kSmall) : kSmall;
    const std::string b = onServer && c.pins == kBothPins ? Altered(kLarge) : kLarge;
    m_server.On("/setup.exe", test::MakeReply(200, "OK", setup, kDate));
    m_server.On("/a.cab", test::MakeReply(200, "OK", kSmall, kDate));
    m_server.On("/b.cab", test::MakeReply(200, "OK", b, kDate));
    WalletEntry entry = Entry((c.multi ? "Resource=" + Url("/a.cab") + "\nResource=" + Url("/b.cab") + "\n"
                                       : "URL=" + Url("/setup.exe") + "\n") + c.pins);
    HRESULT hr = RunWalletEntry(entry, m_receivers, nullptr, nullptr);
    if (!onServer) {
      ASSERT_EQ(hr, S_OK);
      WalletEntry saved = Reloaded(entry);
      EXPECT_EQ(saved.Status(), kWalletDownloaded);
      EXPECT_EQ(FileOf(entry, 0), kSmall);
      if (c.multi) {
        EXPECT_EQ(FileOf(entry, 1), kLarge);
      }
      EXPECT_EQ(saved.EntryAction()->sha256, entry.EntryAction()->sha256);  // the Wallet file keeps the pins
      if (c.stage != Stage::kNone) Alter(entry, c.altered);
      // Found complete (and hashed) by another run, or installed.
      saved.wallet.status = c.stage == Stage::kInstall ? kWalletWaitingToInstall : kWalletDownloading;
      hr = RunWalletEntry(saved, m_receivers, nullptr, nullptr);
    }
    if (c.stage == Stage::kNone) {
      EXPECT_EQ(hr, S_OK);
      WalletEntry saved = Reloaded(entry);
      saved.wallet.status = kWalletWaitingToInstall;
      // Past the pins: whatever the installer route answers, not a digest refusal.
      EXPECT_NE(RunWalletEntry(saved, m_receivers, nullptr, nullptr), kBadDigest);
      continue;
    }
    EXPECT_EQ(hr, kBadDigest);
    ExpectLastRefusalNames(c.file);
    if (c.stage == Stage::kInstall) continue;  // the failed installation deletes the entry
    const WalletEntry saved = Reloaded(entry);
    EXPECT_EQ(saved.Status(), kWalletError);
    EXPECT_EQ(static_cast<HRESULT>(saved.wallet.error), kBadDigest);
    EXPECT_EQ(FileOf(entry, c.altered, false), "<missing>");
    EXPECT_EQ(FileOf(entry, c.altered, true), "<missing>");
    if (c.altered == 1) {
      EXPECT_EQ(FileOf(entry, 0), kSmall);  // the file before it passed
    }
  }
}

}  // namespace
}  // namespace wendrix

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

using test::MakeReply;

constexpr char kDate[] = "Last-Modified: Wed, 07 May 2013 10:20:30 GMT\r\n";

// Two published files and their digests, one written in each case.
const std::string kSmall = "abc";
constexpr char kSmallPin[] = "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD";
const std::string kLarge(1000000, 'a');  // many pieces on the wire
constexpr char kLargePin[] = "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0";

// `bytes` with its last byte changed.
std::string Altered(std::string bytes) {
  bytes.back() ^= 1;
  return bytes;
}

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

  // The server's files: "/setup.exe" alone, or "/a.cab" and "/b.cab".
  void Serve(const std::string& setup, const std::string& a, const std::string& b) {
    m_server.On("/setup.exe", MakeReply(200, "OK", setup, kDate));
    m_server.On("/a.cab", MakeReply(200, "OK", a, kDate));
    m_server.On("/b.cab", MakeReply(200, "OK", b, kDate));
  }
  // A Downloading entry of an action with these keys (addresses and pins).
  WalletEntry Entry(const std::string& keys, const wchar_t* flags = L"") {
    const std::wstring text =
        L"[Publisher]\nID=1.3.6.1.4.1.99999.7\nName=Acme\nHomePage=http://www.acme.example/\n"
        L"Application=\"Kestmoor(R) Wendrix(TM)\"\n[Item]\nID=Tool\nType=Software\nTitle=T\nAction=Get\n"
        L"[Text]\nID=T\nText=en,Tool\n[Action]\nID=Get\nType=Download\nSubtype=Update\nFlags=" +
        std::wstring(flags) + L"\nVersion=2.5\n" + std::wstring(keys.begin(), keys.end());
    return test::SavedEntry(text, m_env);
  }
  std::string Url(const char* path) const {
    const std::wstring url = m_server.Url(path);
    return std::string(url.begin(), url.end());
  }
  std::string SingleKeys(const char* pin) { return "URL=" + Url("/setup.exe") + "\nSHA256=" + pin + "\n"; }
  std::string MultiKeys(const std::string& pins) {
    return "Resource=" + Url("/a.cab") + "\nResource=" + Url("/b.cab") + "\n" + pins;
  }
  std::wstring PathOf(const WalletEntry& entry, std::uint32_t index, bool temporaryForm) {
    std::wstring path;
    EXPECT_EQ(WalletEntryFilePath(entry, index, temporaryForm, path), S_OK);
    return path;
  }
  // The file's bytes, "<missing>" when there is none.
  std::string FileOf(const WalletEntry& entry, std::uint32_t index, bool temporaryForm = false) {
    const std::wstring path = PathOf(entry, index, temporaryForm);
    return test::FileExists(path) ? test::ReadFileBytes(path) : "<missing>";
  }
  void Replace(const WalletEntry& entry, std::uint32_t index, const std::string& bytes) {
    const std::wstring path = PathOf(entry, index, false);
    FILETIME written{};
    {
      HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
      ASSERT_NE(file, INVALID_HANDLE_VALUE);
      GetFileTime(file, nullptr, nullptr, &written);
      CloseHandle(file);
    }
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD done = 0;
    ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr);
    SetFileTime(file, nullptr, nullptr, &written);  // as if nothing had touched it
    CloseHandle(file);
  }
  WalletEntry Reloaded(const WalletEntry& entry) {
    WalletEntry again;
    EXPECT_EQ(LoadWalletEntry(entry.Id(), again), S_OK);
    return again;
  }
  std::wstring Log() { return ReadText(m_user + L"\\Kestmoor\\Wendrix\\Wendrix.log"); }

  // The entry was refused at file `name`: Error with the bad-digest code in
  // the saved entry, the file gone in both its forms, the event log naming it.
  void ExpectRefused(const WalletEntry& entry, std::uint32_t index, const wchar_t* name) {
    const WalletEntry saved = Reloaded(entry);
    EXPECT_EQ(saved.Status(), kWalletError);
    EXPECT_EQ(static_cast<HRESULT>(saved.wallet.error), kBadDigest);
    EXPECT_EQ(FileOf(entry, index, false), "<missing>");
    EXPECT_EQ(FileOf(entry, index, true), "<missing>");
    ExpectLastRefusalNames(name);
  }
  // The log's last refusal names `name` (the log keeps every earlier one).
  void ExpectLastRefusalNames(const std::wstring& name) {
    const std::wstring log = Log();
    const std::size_t at = log.rfind(L"File: ");
    ASSERT_NE(at, std::wstring::npos) << log;
    // The log writes the line break that ends the name as an escape.
    EXPECT_EQ(log.substr(at + 6, name.size() + 1), name + L"\\") << log;
  }

  test::LoadedLibrary m_library;
  test::TestHttpServer m_server;
  const WindowsPublisherEnvironment m_env{L"3.8.10.0"};
  EntryReceivers m_receivers;
};

TEST_F(PinnedDownloadTest, FilesWithThePublishedBytesArriveAndTheWalletFileKeepsThePins) {
  Serve(kSmall, kSmall, kLarge);
  const struct {
    const char* name;
    std::string keys;
    std::size_t files;
  } kCases[] = {
      {"one file", SingleKeys(kSmallPin), 1},
      {"two files", MultiKeys(std::string("SHA256=") + kSmallPin + "\nSHA256=" + kLargePin + "\n"), 2},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    WalletEntry entry = Entry(c.keys);
    ASSERT_EQ(RunWalletEntry(entry, m_receivers, nullptr, nullptr), S_OK);
    const WalletEntry saved = Reloaded(entry);
    EXPECT_EQ(saved.Status(), kWalletDownloaded);
    EXPECT_EQ(FileOf(entry, 0), kSmall);
    if (c.files == 2) {
      EXPECT_EQ(FileOf(entry, 1), kLarge);
    }
    ASSERT_TRUE(saved.EntryAction());
    EXPECT_EQ(saved.EntryAction()->sha256, entry.EntryAction()->sha256);
    EXPECT_EQ(saved.EntryAction()->sha256.size(), c.files);
    // Found complete on the next run, and still what was pinned.
    WalletEntry again = saved;
    again.wallet.status = kWalletDownloading;
    EXPECT_EQ(RunWalletEntry(again, m_receivers, nullptr, nullptr), S_OK);
    EXPECT_EQ(Reloaded(entry).Status(), kWalletDownloaded);
  }
}

TEST_F(PinnedDownloadTest, AFileWithOtherBytesIsDeletedAndTheEntryEndsInError) {
  const struct {
    const char* name;
    std::string setup, a, b;
    bool multi;
    std::string pins;
    std::uint32_t refused;
    const wchar_t* file;
  } kCases[] = {
      {"the single file", Altered(kSmall), "", "", false, kSmallPin, 0, L"setup.exe"},
      {"the second of two", "", kSmall, Altered(kLarge), true,
       std::string("SHA256=") + kSmallPin + "\nSHA256=" + kLargePin + "\n", 1, L"b.cab"},
      {"a file past the last pin", "", kSmall, kLarge, true, std::string("SHA256=") + kSmallPin + "\n", 1, L"b.cab"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    Serve(c.setup, c.a, c.b);
    WalletEntry entry = Entry(c.multi ? MultiKeys(c.pins) : SingleKeys(c.pins.c_str()), L"Install");
    entry.wallet.flags |= kWalletInstall;  // nothing may reach the installation
    EXPECT_EQ(RunWalletEntry(entry, m_receivers, nullptr, nullptr), kBadDigest);
    ExpectRefused(entry, c.refused, c.file);
    if (c.multi) {
      EXPECT_EQ(FileOf(entry, 0), kSmall);  // the file before it passed
    }
  }
}

// The file already complete on disk (same size and date as the server's)
// is not fetched again, but it is hashed again.
TEST_F(PinnedDownloadTest, AFileFoundCompleteIsHashedToo) {
  Serve(kSmall, kSmall, kLarge);
  for (const bool multi : {false, true}) {
    SCOPED_TRACE(multi ? "multi-file" : "single file");
    WalletEntry entry =
        Entry(multi ? MultiKeys(std::string("SHA256=") + kSmallPin + "\nSHA256=" + kLargePin + "\n")
                    : SingleKeys(kSmallPin));
    ASSERT_EQ(RunWalletEntry(entry, m_receivers, nullptr, nullptr), S_OK);
    Replace(entry, 0, Altered(kSmall));
    WalletEntry again = Reloaded(entry);
    again.wallet.status = kWalletDownloading;
    again.fileIndex = 0;
    EXPECT_EQ(RunWalletEntry(again, m_receivers, nullptr, nullptr), kBadDigest);
    ExpectRefused(entry, 0, multi ? L"a.cab" : L"setup.exe");
  }
}

// A file changed in the wallet folder between its download and the
// installation is refused before anything runs.
TEST_F(PinnedDownloadTest, TheInstallationChecksThePinsAgain) {
  Serve(kSmall, kSmall, kLarge);
  const struct {
    const char* name;
    bool multi;
    std::uint32_t swapped;  // the file changed on disk; past the files: none
    HRESULT expected;
  } kCases[] = {
      {"untouched", true, 2, S_OK},  // past the pins: whatever the installer route says
      {"first of two swapped", true, 0, kBadDigest},
      {"second of two swapped", true, 1, kBadDigest},
      {"single file swapped", false, 0, kBadDigest},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    WalletEntry entry =
        Entry(c.multi ? MultiKeys(std::string("SHA256=") + kSmallPin + "\nSHA256=" + kLargePin + "\n")
                      : SingleKeys(kSmallPin),
              L"Install");
    ASSERT_EQ(RunWalletEntry(entry, m_receivers, nullptr, nullptr), S_OK);
    if (c.swapped < 2) Replace(entry, c.swapped, Altered(c.swapped == 0 ? kSmall : kLarge));
    WalletEntry saved = Reloaded(entry);
    saved.wallet.status = kWalletWaitingToInstall;
    const HRESULT result = RunWalletEntry(saved, m_receivers, nullptr, nullptr);
    if (c.expected != kBadDigest) {
      EXPECT_NE(result, kBadDigest);
      continue;
    }
    EXPECT_EQ(result, kBadDigest);
    ExpectLastRefusalNames(c.multi ? (c.swapped == 0 ? L"a.cab" : L"b.cab") : L"setup.exe");
  }
}

}  // namespace
}  // namespace wendrix

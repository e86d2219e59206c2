// The wallet exports through the loaded library, against a registered
// publisher whose files a local HTTP server serves: argument codes, a
// download with its callback, the check's wallet flag, failures that leave
// nothing behind, and the main program's run of one entry.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "platform/sha256_hash.h"
#include "registration/registration.h"
#include "wallet/installer_entry.h"
#include "wallet_fixture.h"
#include "wendrix.h"

namespace wendrix {
namespace {

using test::MakeReply;

constexpr HRESULT kNotFound = static_cast<HRESULT>(0x80070490);
constexpr wchar_t kEditor[] = L"Acme_-_Editor_2.1.0.0";

// A progress callback (a __stdcall function in the 32-bit build) that keeps
// the total it was told.
int CALLBACK RecordTotal(const WCHAR*, const WCHAR* total, int, void* seen) {
  *static_cast<std::wstring*>(seen) = total;
  return 1;
}

class WalletExportsTest : public test::ServedWalletTest {
 protected:
  void SetUp() override {
    ServedWalletTest::SetUp();
    m_download = Export<decltype(&WendrixDownload)>("WendrixDownload");
    m_install = Export<decltype(&WendrixInstallItem)>("WendrixInstallItem");
    m_wallet = Export<decltype(&WendrixWallet)>("WendrixWallet");
    m_check = Export<decltype(&WendrixCheckEx)>("WendrixCheckEx");

    const std::wstring data =
        L"[Publisher]\r\nID = 1.2.3\r\nName = Acme\r\nHomePage = http://acme.example/\r\nDataSource = " +
        Url("/acme.wx-cnf") +
        L"\r\nApplication = \"Kestmoor(R) Wendrix(TM)\"\r\n[Text]\r\nID = t\r\nText = en, Editor\r\n"
        L"[Item]\r\nID = editor\r\nTitle = t\r\nType = Software\r\nAction = get\r\nAction = gone\r\n"
        L"[Action]\r\nID = get\r\nType = Download\r\nSubtype = Generic\r\nFlags = Install\r\nVersion = 2.1\r\nURL = " +
        Url("/e.exe") + L"\r\n[Action]\r\nID = gone\r\nType = Download\r\nSubtype = Try\r\nVersion = 2.1\r\nURL = " +
        Url("/missing.exe") + L"\r\n";
    Registration r;
    r.id = L"1.2.3";
    r.name = L"Acme";
    r.homePage = L"http://acme.example/";
    r.dataSource = Url("/acme.wx-cnf");
    r.hasCount = true;
    r.count = 1;
    ASSERT_EQ(RegisterInScope(r, kScopeCurrentUser, nullptr), S_OK);
    WriteFile(UserFolder(), L"1.2.3.ini", data);
    m_server.On("/acme.wx-cnf", MakeReply(200, "OK", std::string(data.begin(), data.end())));
    m_server.On("/e.exe", MakeReply(200, "OK", std::string(5000, 'e'), "Last-Modified: Wed, 07 May 2013 10:20:30 GMT\r\n"));
    m_server.On("/missing.exe", MakeReply(404, "Not Found", "no"));
  }
  std::vector<WalletEntry> Entries() {
    CWallet wallet;
    EXPECT_EQ(wallet.LoadAll(), S_OK);
    return wallet.Entries();
  }

  decltype(&WendrixDownload) m_download = nullptr;
  decltype(&WendrixInstallItem) m_install = nullptr;
  decltype(&WendrixWallet) m_wallet = nullptr;
  decltype(&WendrixCheckEx) m_check = nullptr;
};

TEST_F(WalletExportsTest, RefusesRequestsItCannotServeAndFailuresLeaveNoEntry) {
  for (UINT32 flags : {0u, UINT32{WENDRIX_REQUEST_GENERIC | WENDRIX_REQUEST_TRY}, UINT32{WENDRIX_REQUEST_GENERIC | WENDRIX_REQUEST_SELF_UPDATE}})
    EXPECT_EQ(m_download(L"1.2.3", L"editor", flags, nullptr, nullptr), E_INVALIDARG) << flags;
  EXPECT_EQ(m_download(L"9.9.9", L"editor", WENDRIX_REQUEST_GENERIC, nullptr, nullptr), kNotFound);
  EXPECT_EQ(m_download(L"1.2.3", L"viewer", WENDRIX_REQUEST_GENERIC, nullptr, nullptr), kNotFound);
  EXPECT_EQ(m_download(L"1.2.3", L"editor", WENDRIX_REQUEST_BUY, nullptr, nullptr), kNotFound);
  EXPECT_EQ(m_wallet(2, 0, L"x", nullptr, nullptr), E_INVALIDARG);
  EXPECT_EQ(m_wallet(WENDRIX_WALLET_RUN_ENTRY, 0, nullptr, nullptr, nullptr), E_INVALIDARG);
  EXPECT_EQ(m_wallet(WENDRIX_WALLET_RUN_ENTRY, 0, L"No_such_entry", nullptr, nullptr), static_cast<HRESULT>(0x80070002));

  EXPECT_TRUE(FAILED(m_download(L"1.2.3", L"editor", WENDRIX_REQUEST_TRY, nullptr, nullptr)));
  EXPECT_EQ(Entries().size(), 0u);
  EXPECT_EQ(m_install(L"1.2.3", L"editor", WENDRIX_REQUEST_GENERIC | WENDRIX_REQUEST_INSTALL_NOW, nullptr, nullptr,
                      nullptr, nullptr),
            E_ABORT);  // not a program the system trusts
  EXPECT_EQ(Entries().size(), 0u);
}

// A download the check sees, found again by the same request, and run once
// more by the main program's call.
TEST_F(WalletExportsTest, DownloadsIntoTheWalletAndTheMainProgramRunsTheEntry) {
  UINT32 flags = 0;
  ASSERT_EQ(m_check(L"1.2.3", nullptr, L"editor", nullptr, nullptr, &flags, 0), S_OK);
  EXPECT_EQ(flags & WENDRIX_ITEM_IN_WALLET, 0u);
  std::wstring total;
  ASSERT_EQ(m_download(L"1.2.3", L"editor", WENDRIX_REQUEST_GENERIC, &RecordTotal, &total), S_OK);
  EXPECT_EQ(total, L"5000");
  std::vector<WalletEntry> entries = Entries();
  ASSERT_EQ(entries.size(), 1u);
  WalletEntry& entry = entries.front();
  EXPECT_EQ(entry.Id(), kEditor);
  EXPECT_EQ(entry.Status(), kWalletDownloaded);
  EXPECT_EQ(entry.wallet.origin, kOriginApplication);
  EXPECT_EQ(WalletEntrySizeOnDisk(entry, false), 5000u);
  ASSERT_EQ(m_check(L"1.2.3", nullptr, L"editor", nullptr, nullptr, &flags, 0), S_OK);
  EXPECT_NE(flags & WENDRIX_ITEM_IN_WALLET, 0u);
  ASSERT_EQ(m_download(L"1.2.3", L"editor", WENDRIX_REQUEST_GENERIC, nullptr, nullptr), S_OK);
  EXPECT_EQ(Entries().size(), 1u);

  entry.wallet.status = kWalletDownloading;
  ASSERT_EQ(SaveWalletEntry(entry), S_OK);
  m_server.On("/e.exe", MakeReply(200, "OK", std::string(10, 'n'), "Last-Modified: Fri, 09 May 2013 10:20:30 GMT\r\n"));
  ASSERT_EQ(m_wallet(WENDRIX_WALLET_RUN_ENTRY, 0, entry.Id().c_str(), nullptr, nullptr), S_OK);
  const WalletEntry after = Reloaded(entry);
  EXPECT_EQ(after.Status(), kWalletDownloaded);
  EXPECT_EQ(WalletEntrySizeOnDisk(after, false), 10u);
}

// The product's own update: refused without a registered publisher or a
// Self item, nothing fetched while the offer is not newer, and a file signed
// by the maker, renamed as its action says, handed to a copy of the launcher
// beside it, which waits for this process to end.
TEST_F(WalletExportsTest, TheProductUpdatesItselfThroughALauncherCopy) {
  const std::wstring bin = test::BinFolder();
  const test::ProductFolder product(bin);
  const auto update = [&](const wchar_t* publisher) {
    return m_install(publisher, nullptr, WENDRIX_REQUEST_SELF_UPDATE, nullptr, nullptr, nullptr, nullptr);
  };
  const auto offer = [&](const wchar_t* version, const std::wstring& extra) {
    WriteFile(UserFolder(), L"1.3.6.1.4.1.61717.1.ini",
              L"[Publisher]\r\nID = 1.3.6.1.4.1.61717.1\r\nName = Wendrix\r\nHomePage = http://www.kestmoor.example/wendrix/\r\n"
              L"Application = \"Kestmoor(R) Wendrix(TM)\"\r\n[Text]\r\nID = t\r\nText = en, Wendrix\r\n"
              L"[Item]\r\nID = wendrix\r\nTitle = t\r\nType = Self\r\nAction = update\r\n[Action]\r\nID = update\r\n"
              L"Type = Download\r\nSubtype = Update\r\nVersion = " + std::wstring(version) + L"\r\nURL = " +
                  Url("/wx39.exe") + L"\r\n" + extra);
  };
  EXPECT_EQ(update(L""), E_INVALIDARG);
  EXPECT_EQ(update(L"Nobody"), kNotFound);
  EXPECT_EQ(update(L"Acme"), kNotFound);  // no Self item on offer
  offer(L"3.8", L"");
  EXPECT_EQ(update(L"Acme"), S_OK);
  EXPECT_EQ(m_server.CountFor("/wx39.exe"), 0u);

  // A file the maker did not sign is refused (the system's own check fails
  // here too, see the Wine notes).
  m_server.On("/wx39.exe", MakeReply(200, "OK", test::ReadFileBytes(bin + L"\\trust_data\\stranger.exe")));
  offer(L"3.9", L"");
  EXPECT_EQ(update(L"Acme"), static_cast<HRESULT>(0x80040065));
  const std::string signedFile = test::ReadFileBytes(bin + L"\\trust_data\\maker.exe");
  ASSERT_FALSE(signedFile.empty());
  m_server.On("/wx39.exe", MakeReply(200, "OK", signedFile));
  // A pin is checked before the signature, and both must pass.
  offer(L"3.9", L"SHA256 = " + std::wstring(64, L'0') + L"\r\n");
  EXPECT_EQ(update(L"Acme"), static_cast<HRESULT>(0x80096010));
  Sha256Digest digest{};
  ASSERT_EQ(HashFileSha256((bin + L"\\trust_data\\maker.exe").c_str(), digest), S_OK);
  offer(L"3.9", L"Rename = wx39 new.exe\r\nSHA256 = " + FormatSha256Text(digest) + L"\r\n");
  std::wstring total;
  EXPECT_EQ(m_install(L"1.2.3", nullptr, WENDRIX_REQUEST_SELF_UPDATE, nullptr, nullptr, &RecordTotal, &total), S_OK);
  EXPECT_EQ(total, std::to_wstring(signedFile.size()));
  EXPECT_EQ(m_server.CountFor("/wx39.exe"), 3u);
  // The download folder holds the file and the launcher copy that runs it.
  int complete = 0;
  for (const auto& folder : std::filesystem::directory_iterator(std::filesystem::temp_directory_path() / "Wendrix"))
    complete += folder.path().filename().wstring().starts_with(L"KWX") &&
                test::FileExists(folder.path() / L"wx39 new.exe") && test::FileExists(folder.path() / L"wendrixl.exe");
  EXPECT_EQ(complete, 1);
}

// The main program's stand-in (it writes its command line to started.txt and,
// with WENDRIX_FAKE_EXIT, ends at once) installed in a product folder:
// deferred installations and interrupted downloads go to it.
TEST_F(WalletExportsTest, DeferredInstallationsAndInterruptedDownloadsGoToTheMainProgram) {
  test::TempFolder folder;
  ASSERT_TRUE(CopyFileW((test::BinFolder() + L"\\update_data\\fake_main_program.exe").c_str(),
                        folder.File(L"wendrix.exe").c_str(), FALSE));
  const test::ProductFolder product(folder.Path());
  SetEnvironmentVariableW(L"WENDRIX_FAKE_EXIT", L"1");
  // The arguments the stand-in was last started with: its command line's
  // first line, once written (the resume does not wait for it).
  const auto started = [&] {
    std::wstring text;
    for (int attempt = 0; attempt < 100 && text.find(L'\n') == std::wstring::npos; ++attempt, Sleep(100)) {
      const std::string bytes = test::ReadFileBytes(folder.File(L"started.txt"));
      text.assign(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
    }
    text.resize(std::min(text.size(), text.find(L'\n')));
    const std::size_t program = text.find(L"wendrix.exe\" ");  // after the quoted program path
    return program == std::wstring::npos ? text : text.substr(program + 13);
  };
  // Installed later: the main program is asked with the command quoted, and
  // ends without an answer.
  EXPECT_EQ(m_install(L"1.2.3", L"editor", WENDRIX_REQUEST_GENERIC, L"\"C:\\a b\\run.exe\" /q", L"C:\\a b", nullptr,
                      nullptr),
            E_FAIL);
  EXPECT_EQ(started(), L"/d:Acme_-_Editor_2.1.0.0 \"/x:\"\"C:\\a b\\run.exe\"\" /q\" \"/u:C:\\a b\"");
  WalletEntry entry;
  ASSERT_EQ(LoadWalletEntry(kEditor, entry), S_OK);
  EXPECT_EQ(entry.Status(), kWalletWaitingToInstall);
  EXPECT_EQ(entry.wallet.flags & kWalletDeferredInstall, 0u);

  // An interrupted download restarts from its first byte.
  entry.wallet.status = kWalletDownloading;
  ASSERT_EQ(SaveWalletEntry(entry), S_OK);
  DeleteFileW(folder.File(L"started.txt").c_str());
  ASSERT_EQ(m_wallet(WENDRIX_WALLET_RESUME, 0, nullptr, nullptr, nullptr), S_OK);
  EXPECT_EQ(started(), L"/d:Acme_-_Editor_2.1.0.0");
  EXPECT_EQ(WalletEntrySizeOnDisk(entry, false), 0u);
  SetEnvironmentVariableW(L"WENDRIX_FAKE_EXIT", nullptr);
}

}  // namespace
}  // namespace wendrix

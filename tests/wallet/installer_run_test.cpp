// An entry's installation through RunInstaller under Wine, by route: its
// messages first, archives in this process or through the real
// wendrixu.exe, an ordinary installer through a copy of the real launcher,
// and a downloaded publisher data file registered.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "registration/publisher_store.h"
#include "user_answers.h"
#include "wallet/installer_run.h"
#include "wallet_fixture.h"

namespace wendrix {
namespace {

using test::ConfirmationEvents;
using test::User;

class InstallerRunTest : public test::WalletTest {
 protected:
  // A Downloaded, Silent entry of the text's first item and action, whose
  // one file is a copy of `file`.
  WalletEntry Entry(const std::wstring& text, const std::wstring& file) {
    WalletEntry entry = test::SavedEntry(text, m_env);
    entry.wallet.status = kWalletDownloaded;
    entry.wallet.flags |= kWalletSilent;
    EXPECT_TRUE(CopyFileW(file.c_str(), PathOf(entry, 0).c_str(), FALSE)) << file;
    return entry;
  }
  // An entry of the tool whose file `file` goes to the Path definition `target`.
  WalletEntry ToolEntry(const std::wstring& keys, const std::wstring& target, const std::wstring& file) {
    return Entry(test::ToolText(L"Target=P\n" + keys + L"[Path]\nID=P\nPath=," + target + L"\n"), file);
  }
  // An entry whose one archive is plain.zip.
  WalletEntry ArchiveEntry(const wchar_t* privileges, const std::wstring& target, const std::wstring& messages = L"") {
    return ToolEntry(L"Flags=Install,Archive\nPrivileges=" + std::wstring(privileges) +
                         L"\nURL=http://files.example/tool.zip\n" + messages,
                     target, (std::filesystem::path(WENDRIX_ZIP_DATA) / "plain.zip").wstring());
  }
  std::wstring Folder(const wchar_t* name) const {
    const std::wstring folder = m_temp.File(name);
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
  }

  // wendrixl.exe and wendrixu.exe are in the build's bin folder.
  const test::ProductFolder m_product;
};

TEST_F(InstallerRunTest, AnEntrysArchiveUnpacksWithTheRightsItNeeds) {
  for (const wchar_t* privileges : {L"Standard", L"Administrator"}) {
    SCOPED_TRACE(privileges);
    const std::wstring target = Folder(privileges);
    WalletEntry entry = ArchiveEntry(privileges, target);
    ConfirmationEvents events(entry.Id());
    EXPECT_EQ(RunInstaller(entry, nullptr), S_OK);
    EXPECT_EQ(test::ReadFileBytes(target + L"\\readme.txt"), "stored text\r\n");
    EXPECT_EQ(events.Take(), L"confirmed");
    DeleteWalletEntry(entry);
  }
  // A target that does not resolve (the folder is not there).
  WalletEntry entry = ArchiveEntry(L"Standard", m_temp.File(L"missing"));
  EXPECT_EQ(RunInstaller(entry, nullptr), HResultFromWin32(ERROR_PATH_NOT_FOUND));
}

// The action's messages come first, in order, with the publisher's captions;
// No to any of them installs nothing.
TEST_F(InstallerRunTest, TheActionsMessagesComeFirst) {
  const std::wstring target = Folder(L"t");
  WalletEntry entry = ArchiveEntry(L"Standard", target,
                                   L"Message=Note\nMessage=Licence\n"
                                   L"[Message]\nID=Note\nType=OneButton\nHeader=H\nMessage=B1\n"
                                   L"[Message]\nID=Licence\nType=EULA\nMessage=B2\nYes=Y\nNo=N\n"
                                   L"[Text]\nID=H\nText=en,Heads up\n[Text]\nID=B1\nText=en,Read this\n"
                                   L"[Text]\nID=B2\nText=en,\"Terms\\nof use\"\n[Text]\nID=Y\nText=en,I Accept\n"
                                   L"[Text]\nID=N\nText=en,I Decline\n");
  ConfirmationEvents events(entry.Id());
  for (const int last : {IDNO, IDYES}) {
    User user({IDYES, last});
    EXPECT_EQ(RunInstaller(entry, nullptr), last == IDYES ? S_OK : E_ABORT);
    EXPECT_EQ(user.Seen(), (std::vector<std::wstring>{L"Heads up|Read this|OK",
                                                      L"Wendrix|Terms\r\nof use|I Accept|I Decline"}));
    EXPECT_EQ(test::FileExists(target + L"\\readme.txt"), last == IDYES);
    EXPECT_EQ(events.Take(), last == IDYES ? L"confirmed" : L"");
  }
}

// An ordinary installer runs through a copy of the launcher once the system
// trusts its signature, with the action's Parameters filled in (%1 the
// Target, %2 the entry ID); the copy goes when it has ended. An unsigned one
// is refused. (This Wine judges the published-software action by whether
// a signature is there at all.)
TEST_F(InstallerRunTest, ATrustedInstallerRunsThroughTheLauncherWithItsParameters) {
  const std::wstring target = Folder(L"t");
  SetEnvironmentVariableW(L"WENDRIX_FAKE_EXIT", L"1");  // the stand-in installer ends at once
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  for (const bool signedInstaller : {true, false}) {
    SCOPED_TRACE(signedInstaller);
    WalletEntry entry = ToolEntry(L"Flags=Install\nParameters=\"/dir=%1 /id=%2 /x=%3\"\nURL=http://files.example/setup.exe\n",
                                  target, test::BinFolder() + L"\\trust_data\\" + (signedInstaller ? L"installer.exe" : L"unsigned.exe"));
    ConfirmationEvents events(entry.Id());
    EXPECT_EQ(RunInstaller(entry, nullptr), signedInstaller ? S_OK : E_ABORT);
    EXPECT_EQ(events.Take(), signedInstaller ? L"confirmed" : L"unconfirmed");
    const std::wstring installer = PathOf(entry, 0);
    const std::wstring folder = installer.substr(0, installer.rfind(L'\\'));
    const std::string started = test::ReadFileBytes(folder + L"\\started.txt");
    const std::wstring text(reinterpret_cast<const wchar_t*>(started.data()), started.size() / sizeof(wchar_t));
    EXPECT_EQ(text.find(L" /dir=" + target + L" /id=" + entry.Id() + L" /x=\n" + folder) != std::wstring::npos,
              signedInstaller) << text;
    EXPECT_FALSE(test::FileExists(std::wstring(temp) + L"Wendrix Launcher\\" + entry.Id()));
    DeleteWalletEntry(entry);
  }
  SetEnvironmentVariableW(L"WENDRIX_FAKE_EXIT", nullptr);
}

// A publisher item's download is a data file: it is registered for the user.
TEST_F(InstallerRunTest, ADownloadedPublisherDataFileIsRegistered) {
  const std::wstring data = m_temp.Write(
      L"other.wx-cnf", "[Wendrix]\nRequiredVersion=3.6\n[Publisher]\nID=1.3.6.1.4.1.99999.9\nName=Other\nHomePage=http://other.example/\n"
                       "DataSource=http://other.example/other.wx-cnf\nApplication=\"Kestmoor(R) Wendrix(TM)\"\n");
  WalletEntry entry = Entry(L"[Publisher]\nID=1.3.6.1.4.1.99999.8\nName=Acme\nHomePage=http://www.acme.example/\n"
                            L"Application=\"Kestmoor(R) Wendrix(TM)\"\n"
                            L"[Item]\nID=Pub\nType=Publisher\nTitle=T\nAction=Get\n[Text]\nID=T\nText=en,Other\n"
                            L"[Action]\nID=Get\nType=Download\nSubtype=Update\nFlags=Install\nVersion=1.0\n"
                            L"URL=http://other.example/other.wx-cnf\n",
                            data);
  EXPECT_EQ(RunInstaller(entry, nullptr), S_OK);
  CPublisherStore store;
  ASSERT_EQ(store.Open(true, nullptr), S_OK);
  EXPECT_NE(store.Find(L"1.3.6.1.4.1.99999.9"), nullptr);
}

}  // namespace
}  // namespace wendrix

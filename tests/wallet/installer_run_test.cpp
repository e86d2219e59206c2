// An entry's installation through RunInstaller under Wine, by route: its
// messages first, archives in this process or through the real
// wendrixu.exe, an ordinary installer through a copy of the real launcher,
// and a downloaded publisher data file registered.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "../support/loaded_library.h"
#include "../support/registry_sandbox.h"
#include "../support/shell_folder_redirect.h"
#include "../support/temp_folder.h"
#include "frame/module_state.h"
#include "publisher/windows_environment.h"
#include "registration/publisher_store.h"
#include "saved_entry.h"
#include "user_answers.h"
#include "wallet/installer_run.h"
#include "wallet/wallet_store.h"

namespace wendrix {
namespace {

using test::ConfirmationEvents;
using test::User;

std::wstring Zip(const char* name) { return (std::filesystem::path(WENDRIX_ZIP_DATA) / name).wstring(); }

std::wstring ReadUtf16(const std::wstring& path) {
  const std::string bytes = test::ReadFileBytes(path);
  return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
}

constexpr wchar_t kPublisher[] =
    L"[Publisher]\nID=1.3.6.1.4.1.99999.8\nName=Acme\nHomePage=http://www.acme.example/\n"
    L"Application=\"Kestmoor(R) Wendrix(TM)\"\n";

class InstallerRunTest : public test::ShellFolderTest {
 protected:
  void SetUp() override {
    ShellFolderTest::SetUp();
    ASSERT_TRUE(m_library.Loaded());
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    m_bin.assign(self, wcsrchr(self, L'\\'));
    // The product folder is the build's bin folder, where wendrixl.exe and
    // wendrixu.exe are.
    test::SetStringValue(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Kestmoor\\Wendrix\\3.8", L"Path", m_bin, KEY_WOW64_32KEY);
  }
  void TearDown() override {
    test::DeleteKeyTree(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Kestmoor\\Wendrix", KEY_WOW64_32KEY);
    ShellFolderTest::TearDown();
  }
  std::wstring Folder(const wchar_t* name) const { return m_temp.File(name); }

  // A Downloaded, Silent entry of the publisher text's first item and
  // action, whose one file (named by `url`) is a copy of `file`.
  WalletEntry Entry(const std::wstring& itemAndAction, const std::wstring& file) {
    WalletEntry entry = test::SavedEntry(kPublisher + itemAndAction, m_env);
    entry.wallet.status = kWalletDownloaded;
    entry.wallet.flags |= kWalletSilent;
    std::wstring path;
    EXPECT_EQ(WalletEntryFilePath(entry, 0, path), S_OK);
    EXPECT_TRUE(CopyFileW(file.c_str(), path.c_str(), FALSE)) << file;
    return entry;
  }

  // An entry whose one archive is plain.zip, unpacking into the Path
  // definition `target`.
  WalletEntry ArchiveEntry(const wchar_t* privileges, const std::wstring& target, const std::wstring& messages = L"") {
    return Entry(L"[Item]\nID=Tool\nType=Software\nTitle=T\nAction=Get\n[Text]\nID=T\nText=en,Tool\n"
                 L"[Path]\nID=P\nPath=," + target + L"\n"
                 L"[Action]\nID=Get\nType=Download\nSubtype=Update\nFlags=Install,Archive\nTarget=P\nPrivileges=" +
                     privileges + L"\nVersion=2.5\nURL=http://files.example/tool.zip\n" + messages,
                 Zip("plain.zip"));
  }

  test::LoadedLibrary m_library;
  const WindowsPublisherEnvironment m_env{Module().version};
  std::wstring m_bin;
};

TEST_F(InstallerRunTest, AnEntrysArchiveUnpacksWithTheRightsItNeeds) {
  for (const wchar_t* privileges : {L"Standard", L"Administrator"}) {
    const std::wstring target = Folder(privileges);
    ASSERT_TRUE(CreateDirectoryW(target.c_str(), nullptr));
    WalletEntry entry = ArchiveEntry(privileges, target);
    ConfirmationEvents events(entry.Id());
    EXPECT_EQ(RunInstaller(entry, nullptr), S_OK) << privileges;
    EXPECT_EQ(test::ReadFileBytes(target + L"\\readme.txt"), "stored text\r\n") << privileges;
    EXPECT_EQ(events.Take(), L"confirmed") << privileges;
    DeleteWalletEntry(entry);
  }
  // A target that does not resolve (the folder is not there).
  WalletEntry entry = ArchiveEntry(L"Standard", Folder(L"missing"));
  EXPECT_EQ(RunInstaller(entry, nullptr), HResultFromWin32(ERROR_PATH_NOT_FOUND));
  DeleteWalletEntry(entry);
}

// The action's messages come first, in order, with the publisher's captions;
// No to any of them installs nothing.
TEST_F(InstallerRunTest, TheActionsMessagesComeFirst) {
  const std::wstring target = Folder(L"t");
  ASSERT_TRUE(CreateDirectoryW(target.c_str(), nullptr));
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
  ASSERT_TRUE(CreateDirectoryW(target.c_str(), nullptr));
  SetEnvironmentVariableW(L"WENDRIX_FAKE_EXIT", L"1");  // the stand-in installer ends at once
  for (const bool signedInstaller : {true, false}) {
    WalletEntry entry =
        Entry(L"[Item]\nID=Tool\nType=Software\nTitle=T\nAction=Get\n[Text]\nID=T\nText=en,Tool\n"
              L"[Path]\nID=P\nPath=," + target + L"\n"
              L"[Action]\nID=Get\nType=Download\nSubtype=Update\nFlags=Install\nTarget=P\n"
              L"Parameters=\"/dir=%1 /id=%2 /x=%3\"\nVersion=2.5\nURL=http://files.example/setup.exe\n",
              m_bin + (signedInstaller ? L"\\trust_data\\installer.exe" : L"\\trust_data\\unsigned.exe"));
    ConfirmationEvents events(entry.Id());
    EXPECT_EQ(RunInstaller(entry, nullptr), signedInstaller ? S_OK : E_ABORT);
    EXPECT_EQ(events.Take(), signedInstaller ? L"confirmed" : L"unconfirmed");
    std::wstring installer;
    ASSERT_EQ(WalletEntryFilePath(entry, 0, installer), S_OK);
    const std::wstring folder = installer.substr(0, installer.rfind(L'\\'));
    if (signedInstaller) {
      const std::wstring started = ReadUtf16(folder + L"\\started.txt");
      EXPECT_NE(started.find(L" /dir=" + target + L" /id=" + entry.Id() + L" /x=\n" + folder), std::wstring::npos)
          << started;
    } else {
      EXPECT_FALSE(test::FileExists(folder + L"\\started.txt"));
    }
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
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
  WalletEntry entry = Entry(L"[Item]\nID=Pub\nType=Publisher\nTitle=T\nAction=Get\n[Text]\nID=T\nText=en,Other\n"
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

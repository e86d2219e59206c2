// Installing archives under Wine with real ZIP files: what the user is asked,
// the journal that puts everything back after a failure, files in use that
// wait for the next start, and an entry's archives through the route its
// privileges call for (in this process, or through wendrixu.exe).
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>

#include "../support/loaded_library.h"
#include "../support/pending_renames.h"
#include "../support/registry_sandbox.h"
#include "../support/shell_folder_redirect.h"
#include "../support/temp_folder.h"
#include "platform/unique_handle.h"
#include "resources/dialog_ids.h"
#include "publisher/windows_environment.h"
#include "frame/module_state.h"
#include "saved_entry.h"
#include "wallet/archive_install.h"
#include "wallet/entry_confirmation.h"
#include "wallet/entry_naming.h"
#include "wallet/installer_run.h"
#include "wallet/wallet_store.h"

namespace wendrix {
namespace {

constexpr HRESULT kCorrupt = HResultFromWin32(ERROR_FILE_CORRUPT);

std::wstring Zip(const char* name) { return (std::filesystem::path(WENDRIX_ZIP_DATA) / name).wstring(); }

std::wstring TextOf(HWND window, int control) {
  wchar_t text[2048] = {};
  GetDlgItemTextW(window, control, text, 2048);
  return text;
}

// A system message box's text control, and the action messages' one.
constexpr int kBoxText = 0xFFFF;
constexpr int kMessageText = WX_CONTROL_MESSAGE_TEXT;

// A message box of this process that is showing: a dialog with a box's
// text control.
HWND FindMessageBox() {
  struct Search {
    DWORD process;
    HWND found;
  } search{GetCurrentProcessId(), nullptr};
  EnumWindows(
      [](HWND window, LPARAM context) -> BOOL {
        auto& s = *reinterpret_cast<Search*>(context);
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (process == s.process && IsWindowVisible(window) &&
            (GetDlgItem(window, kBoxText) || GetDlgItem(window, kMessageText)))
          s.found = window;
        return !s.found;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Plays the user: answers each message box that appears with the next
// button, keeping each box's title and text.
class User {
 public:
  explicit User(std::vector<int> buttons) : m_thread([this, buttons] {
    for (const int button : buttons) {
      HWND box = nullptr;
      for (int attempt = 0; attempt < 400 && !box && !m_stop; ++attempt, Sleep(50)) box = FindMessageBox();
      if (!box) return;
      wchar_t title[256] = {};
      GetWindowTextW(box, title, 256);
      std::wstring shown = std::wstring(title) + L"|" + TextOf(box, kBoxText) + TextOf(box, kMessageText);
      if (GetDlgItem(box, kMessageText)) {
        shown += L"|" + TextOf(box, IDYES);
        if (IsWindowVisible(GetDlgItem(box, IDNO))) shown += L"|" + TextOf(box, IDNO);
      }
      seen.push_back(shown);
      PostMessageW(box, WM_COMMAND, button, 0);
      while (IsWindow(box)) Sleep(20);
    }
  }) {}
  ~User() { Seen(); }
  std::vector<std::wstring> Seen() {
    m_stop = true;
    if (m_thread.joinable()) m_thread.join();
    return seen;
  }

 private:
  std::vector<std::wstring> seen;
  std::atomic<bool> m_stop{false};
  std::thread m_thread;
};

// The rollback journals in the user's temporary folder.
std::size_t JournalFolders() {
  std::size_t count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::temp_directory_path()))
    count += entry.path().filename().wstring().starts_with(L"RBF");
  return count;
}

// The entry's two events, held as the program that waits for the
// installation holds them.
class ConfirmationEvents {
 public:
  explicit ConfirmationEvents(const std::wstring& entryId)
      : m_confirmed(CreateEventW(nullptr, TRUE, FALSE, EntryConfirmationEvent(entryId, true).c_str())),
        m_unconfirmed(CreateEventW(nullptr, TRUE, FALSE, EntryConfirmationEvent(entryId, false).c_str())) {}
  // "confirmed", "unconfirmed", or "" when neither is signaled; both are reset.
  std::wstring Take() {
    std::wstring answer = WaitForSingleObject(m_confirmed.Get(), 0) == WAIT_OBJECT_0     ? L"confirmed"
                          : WaitForSingleObject(m_unconfirmed.Get(), 0) == WAIT_OBJECT_0 ? L"unconfirmed"
                                                                                         : L"";
    ResetEvent(m_confirmed.Get());
    ResetEvent(m_unconfirmed.Get());
    return answer;
  }

 private:
  UniqueKernelObject m_confirmed, m_unconfirmed;
};

class ArchiveInstallTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(m_library.Loaded()); }

  ArchiveInstallation Silent(std::vector<ArchiveToInstall> archives) {
    return {std::move(archives), m_entryId, L"Acme", L"Tool", kWalletSilent, nullptr};
  }
  std::wstring Folder(const wchar_t* name) const { return m_temp.File(name); }

  test::LoadedLibrary m_library;
  test::TempFolder m_temp;
  const std::wstring m_entryId = L"Archive_Test_" + std::to_wstring(GetTickCount());
  ConfirmationEvents m_events{m_entryId};
};

TEST_F(ArchiveInstallTest, ArchivesUnpackIntoTheirFoldersAndTheJournalGoes) {
  const std::size_t journalsBefore = JournalFolders();
  const std::wstring a = Folder(L"a\\new\\deeper"), b = Folder(L"b");
  ASSERT_EQ(InstallArchives(Silent({{Zip("plain.zip"), a, L"one.example"}, {Zip("bzip2.zip"), b + L"\\", L"??"}})),
            S_OK);
  EXPECT_EQ(test::ReadFileBytes(a + L"\\readme.txt"), "stored text\r\n");
  EXPECT_EQ(test::ReadFileBytes(a + L"\\docs\\deep\\nested\\data.bin").size(), 4096u);
  EXPECT_TRUE(test::FileExists(a + L"\\empty"));
  EXPECT_EQ(test::ReadFileBytes(b + L"\\packed.txt").size(), 13u * 300);
  EXPECT_EQ(m_events.Take(), L"confirmed");  // Silent counts as confirmed
  EXPECT_EQ(JournalFolders(), journalsBefore);
}

TEST_F(ArchiveInstallTest, AFailureRollsBackEveryArchive) {
  const std::wstring a = Folder(L"a"), b = Folder(L"b\\new");
  test::TempFolder unused;
  ASSERT_TRUE(CreateDirectoryW(a.c_str(), nullptr));
  m_temp.Write(L"a\\readme.txt", "the old text");
  SetFileAttributesW((a + L"\\readme.txt").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
  const auto before = test::SnapshotTree(m_temp.Path());
  EXPECT_EQ(InstallArchives(Silent({{Zip("plain.zip"), a, L"h"}, {Zip("damaged.zip"), b, L"h"}})), kCorrupt);
  EXPECT_EQ(test::SnapshotTree(m_temp.Path()), before);
  EXPECT_EQ(InstallArchives(Silent({{Zip("plain.zip"), a, L"h"}, {Zip("not-there.zip"), b, L"h"}})),
            HResultFromWin32(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(test::SnapshotTree(m_temp.Path()), before);
}

TEST_F(ArchiveInstallTest, InstallationsWithoutFullTargetsAreRefused) {
  const std::wstring good = Folder(L"t");
  for (const ArchiveInstallation& bad : {
           Silent({}),
           Silent({{L"", good, L"h"}}),
           Silent({{Zip("plain.zip"), L"", L"h"}}),
           Silent({{Zip("plain.zip"), L"relative\\folder", L"h"}}),
           Silent({{Zip("plain.zip"), L"C:folder", L"h"}}),
           Silent({{Zip("plain.zip"), L"\\\\server\\share", L"h"}}),
           Silent({{Zip("plain.zip"), good, L"h"}, {Zip("plain.zip"), good + L"\\..\\x", L"h"}}),
       })
    EXPECT_EQ(InstallArchives(bad), E_INVALIDARG) << bad.archives.size();
  EXPECT_FALSE(test::FileExists(good));
}

// Without Silent the user confirms, and sees what failed.
TEST_F(ArchiveInstallTest, TheUserConfirmsWhereFilesGoAndSeesWhatFailed) {
  const std::wstring a = Folder(L"a"), b = Folder(L"b");
  ArchiveInstallation one = Silent({{Zip("plain.zip"), a, L"one.example"}, {Zip("bzip2.zip"), a, L"ONE.example"}});
  one.walletFlags = 0;
  {
    User user({IDCANCEL});
    EXPECT_EQ(InstallArchives(one), E_ABORT);
    EXPECT_EQ(user.Seen(), std::vector<std::wstring>{
        L"Tool Setup|Wendrix is about to copy one or more files downloaded from\r\n\r\none.example\r\n\r\nto the "
        L"following directory on your hard disk:\r\n\r\n" + a});
  }
  EXPECT_EQ(m_events.Take(), L"unconfirmed");
  EXPECT_FALSE(test::FileExists(a));

  ArchiveInstallation two = one;
  two.itemTitle.clear();
  two.archives[1] = {Zip("damaged.zip"), b, L"two.example"};
  {
    User user({IDOK, IDOK});
    EXPECT_EQ(InstallArchives(two), kCorrupt);
    const std::vector<std::wstring> seen = user.Seen();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0], L"Wendrix|Wendrix is about to copy one or more files downloaded from\r\n\r\none.example\r\n"
                       L"two.example\r\n\r\nto the following directories on your hard disk:\r\n\r\n" + a + L"\r\n" + b);
    EXPECT_TRUE(seen[1].starts_with(L"Wendrix - Unzip Error|")) << seen[1];
    EXPECT_GT(seen[1].size(), std::wstring(L"Wendrix - Unzip Error|").size());
  }
  EXPECT_EQ(m_events.Take(), L"confirmed");
  EXPECT_FALSE(test::FileExists(a));
}

// A file another program holds open (and will not let go of) is replaced at
// the next start; a rollback takes that back too.
TEST_F(ArchiveInstallTest, AFileInUseIsReplacedAtTheNextStart) {
  const test::PendingRenamesGuard renames;
  const std::wstring a = Folder(L"a"), held = a + L"\\readme.txt";
  ASSERT_TRUE(CreateDirectoryW(a.c_str(), nullptr));
  m_temp.Write(L"a\\readme.txt", "in use");
  const UniqueFile holder(CreateFileW(held.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(holder);

  {
    User user({IDNO});  // the restart prompt
    ASSERT_EQ(InstallArchives(Silent({{Zip("plain.zip"), a, L"h"}, {Zip("damaged.zip"), Folder(L"b"), L"h"}})), kCorrupt);
    EXPECT_TRUE(user.Seen().empty()) << "no restart after a rollback";
  }
  EXPECT_FALSE(test::FileExists(held + L"_"));
  EXPECT_EQ(test::PendingRenames(), renames.Before());

  User user({IDNO});
  ASSERT_EQ(InstallArchives(Silent({{Zip("plain.zip"), a, L"h"}})), S_OK);
  const std::vector<std::wstring> seen = user.Seen();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_NE(seen[0].find(L"You must restart your system"), std::wstring::npos) << seen[0];
  EXPECT_EQ(test::ReadFileBytes(held), "in use");
  EXPECT_EQ(test::ReadFileBytes(held + L"_"), "stored text\r\n");
  const std::vector<std::wstring> pending = test::PendingRenames();
  ASSERT_EQ(pending.size(), renames.Before().size() + 2);
  EXPECT_EQ(pending[pending.size() - 2], L"\\??\\" + held + L"_");
  EXPECT_EQ(pending.back(), L"!\\??\\" + held);
}

// An entry's archives: its files unpack into its resolved Target, in this
// process for standard privileges, through wendrixu.exe for administrator.
class ArchiveRouteTest : public test::ShellFolderTest {
 protected:
  void SetUp() override {
    ShellFolderTest::SetUp();
    ASSERT_TRUE(m_library.Loaded());
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::wstring bin(self, wcsrchr(self, L'\\'));
    // The product folder is the build's bin folder, where wendrixu.exe is.
    test::SetStringValue(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Kestmoor\\Wendrix\\3.8", L"Path", bin, KEY_WOW64_32KEY);
  }
  void TearDown() override {
    test::DeleteKeyTree(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Kestmoor\\Wendrix", KEY_WOW64_32KEY);
    ShellFolderTest::TearDown();
  }
  std::wstring Folder(const wchar_t* name) const { return m_temp.File(name); }

  // A Downloaded, Silent entry whose one archive is plain.zip, unpacking
  // into the Path definition `target`.
  WalletEntry Entry(const wchar_t* privileges, const std::wstring& target, const std::wstring& messages = L"") {
    const std::wstring text =
        L"[Publisher]\nID=1.3.6.1.4.1.99999.8\nName=Acme\nHomePage=http://www.acme.example/\n"
        L"Application=\"Kestmoor(R) Wendrix(TM)\"\n"
        L"[Item]\nID=Tool\nType=Software\nTitle=T\nAction=Get\n[Text]\nID=T\nText=en,Tool\n"
        L"[Path]\nID=P\nPath=," + target + L"\n"
        L"[Action]\nID=Get\nType=Download\nSubtype=Update\nFlags=Install,Archive\nTarget=P\nPrivileges=" +
        privileges + L"\nVersion=2.5\nURL=http://files.example/tool.zip\n" + messages;
    WalletEntry entry = test::SavedEntry(text, m_env);
    entry.wallet.status = kWalletDownloaded;
    entry.wallet.flags |= kWalletSilent;
    std::wstring path;
    EXPECT_EQ(WalletEntryFilePath(entry, 0, path), S_OK);
    EXPECT_TRUE(CopyFileW(Zip("plain.zip").c_str(), path.c_str(), FALSE));
    return entry;
  }

  test::LoadedLibrary m_library;
  const WindowsPublisherEnvironment m_env{Module().version};
};

TEST_F(ArchiveRouteTest, AnEntrysArchiveUnpacksWithTheRightsItNeeds) {
  for (const wchar_t* privileges : {L"Standard", L"Administrator"}) {
    const std::wstring target = Folder(privileges);
    ASSERT_TRUE(CreateDirectoryW(target.c_str(), nullptr));
    WalletEntry entry = Entry(privileges, target);
    ConfirmationEvents events(entry.Id());
    EXPECT_EQ(RunInstaller(entry, nullptr), S_OK) << privileges;
    EXPECT_EQ(test::ReadFileBytes(target + L"\\readme.txt"), "stored text\r\n") << privileges;
    EXPECT_EQ(events.Take(), L"confirmed") << privileges;
    DeleteWalletEntry(entry);
  }
  // A target that does not resolve (the folder is not there).
  WalletEntry entry = Entry(L"Standard", Folder(L"missing"));
  EXPECT_EQ(RunInstaller(entry, nullptr), HResultFromWin32(ERROR_PATH_NOT_FOUND));
  DeleteWalletEntry(entry);
}

// The action's messages come first, in order, with the publisher's captions;
// No to any of them installs nothing.
TEST_F(ArchiveRouteTest, TheActionsMessagesComeFirst) {
  const std::wstring target = Folder(L"t");
  ASSERT_TRUE(CreateDirectoryW(target.c_str(), nullptr));
  WalletEntry entry = Entry(L"Standard", target,
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

}  // namespace
}  // namespace wendrix

// Installing archives under Wine with real ZIP files: what the user is asked,
// the journal that puts everything back after a failure, and files in use
// that wait for the next start.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "../support/loaded_library.h"
#include "../support/pending_renames.h"
#include "../support/raw_zip.h"
#include "../support/temp_folder.h"
#include "platform/unique_handle.h"
#include "user_answers.h"
#include "publisher/vocabulary.h"
#include "wallet/archive_install.h"

namespace wendrix {
namespace {

using test::ConfirmationEvents;
using test::User;

constexpr HRESULT kCorrupt = HResultFromWin32(ERROR_FILE_CORRUPT);

std::wstring Zip(const char* name) { return (std::filesystem::path(WENDRIX_ZIP_DATA) / name).wstring(); }

// The rollback journals in the user's temporary folder.
std::size_t JournalFolders() {
  std::size_t count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::temp_directory_path()))
    count += entry.path().filename().wstring().starts_with(L"RBF");
  return count;
}

class ArchiveInstallTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(m_library.Loaded()); }

  ArchiveInstallation Silent(std::vector<ArchiveToInstall> archives) {
    return {std::move(archives), m_entryId, L"Tool", kWalletSilent, nullptr};
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

// An encrypted member asks for its password; a cancel rolls back what the
// archive had written before it.
TEST_F(ArchiveInstallTest, AnEncryptedMemberAsksForItsPassword) {
  const std::wstring archive = m_temp.Write(
      L"secret.zip", test::RawZip({{"public.txt", "anyone"}, {"secret.txt", "the secret", true}}));
  const std::wstring target = Folder(L"t");
  for (const int button : {IDCANCEL, IDOK}) {
    User user({button}, L"open sesame");
    EXPECT_EQ(InstallArchives(Silent({{archive, target, L"h"}})), button == IDOK ? S_OK : E_ABORT);
    const std::vector<std::wstring> seen = user.Seen();
    ASSERT_EQ(seen.size(), 1u) << button;
    EXPECT_NE(seen[0].find(L"secret.txt"), std::wstring::npos) << seen[0];
    EXPECT_EQ(test::FileExists(target + L"\\public.txt"), button == IDOK);
  }
  EXPECT_EQ(test::ReadFileBytes(target + L"\\secret.txt"), "the secret");
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

}  // namespace
}  // namespace wendrix

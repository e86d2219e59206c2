// Where the publisher store keeps its lists: one folder per scope under the
// shell's application-data folders, made on demand and journaled.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../support/shell_folder_redirect.h"
#include "../support/temp_folder.h"
#include "registration/publisher_store.h"
#include "registration/store_folders.h"
#include "setup/journal.h"

namespace wendrix::test {
namespace {

using StoreFoldersTest = ShellFolderTest;

TEST_F(StoreFoldersTest, FoldersPerScope) {
  std::wstring folder;
  ASSERT_EQ(StoreFolder(kScopeCurrentUser, StoreProduct::kCurrent, folder), S_OK);
  EXPECT_EQ(folder, UserFolder());
  ASSERT_EQ(StoreFolder(kScopeAllUsers, StoreProduct::kCurrent, folder), S_OK);
  EXPECT_EQ(folder, CommonFolder());
  ASSERT_EQ(StoreFolder(kScopeAllUsers, StoreProduct::kOlder, folder), S_OK);
  EXPECT_EQ(folder, m_common + L"\\Kestmoor\\Pellister\\PublisherData\\");
  EXPECT_FALSE(FileExists(UserFolder())) << "looking a folder up must not create it";

  std::wstring path;
  EXPECT_EQ(StorePath(std::wstring(250, L'a'), L"0123456789", path), static_cast<HRESULT>(0x8007006F));
  EXPECT_EQ(StorePath(std::wstring(250, L'a'), L"012345678", path), S_OK);
}

TEST_F(StoreFoldersTest, TooLongFolderIsRefused) {
  // 227 + 32 = 259 characters still fit; one more does not.
  for (const auto& [extra, expected] : {std::pair{0, S_OK}, std::pair{1, static_cast<HRESULT>(0x8007006F)}}) {
    std::wstring user = m_temp.Path() + L"\\";
    user += std::wstring(227 - user.size() + extra, L'u');
    ASSERT_TRUE(CreateDirectoryW(user.c_str(), nullptr));
    PointAt(user, m_common);
    std::wstring folder;
    EXPECT_EQ(StoreFolder(kScopeCurrentUser, StoreProduct::kCurrent, folder), expected) << extra;
    if (expected == S_OK) {
      EXPECT_EQ(folder.size(), 259u);
    }
  }
}

TEST_F(StoreFoldersTest, CreatedFoldersAreJournaledAndRolledBack) {
  CJournal journal;
  ASSERT_EQ(journal.Create(), S_OK);
  const std::wstring journalFolder = journal.Folder();
  std::wstring folder;
  ASSERT_EQ(CreateStoreFolder(kScopeCurrentUser, &journal, folder), S_OK);
  EXPECT_TRUE(FileExists(folder));
  std::vector<PublisherRecord> records(1);
  records[0].id = L"1.2.3";
  records[0].name = L"Tessaro";
  records[0].present = KeyBit(kKeyName);
  ASSERT_EQ(WriteScopeList(kScopeCurrentUser, records, &journal), S_OK);
  EXPECT_TRUE(FileExists(folder + kCurrentUserListFile));

  ASSERT_EQ(journal.Rollback(), S_OK);
  EXPECT_FALSE(FileExists(folder + kCurrentUserListFile));
  EXPECT_FALSE(FileExists(m_user + L"\\Kestmoor")) << "every folder the store made is removed again";
  EXPECT_FALSE(FileExists(journalFolder));
}

}  // namespace
}  // namespace wendrix::test

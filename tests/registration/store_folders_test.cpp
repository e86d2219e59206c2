// Where the publisher store keeps its lists: one folder per scope under the
// shell's application-data folders, made on demand and journaled; and the
// machine-wide count of users who registered a publisher kept there.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../support/shell_folder_redirect.h"
#include "../support/temp_folder.h"
#include "registration/publisher_store.h"
#include "registration/store_folders.h"
#include "registration/user_counters.h"
#include "setup/journal.h"

namespace wendrix::test {
namespace {

using StoreFoldersTest = ShellFolderTest;

// Looking a folder up does not create it; 227 + 32 = 259 characters of
// folder still fit, one more does not, nor 260 of a file's path.
TEST_F(StoreFoldersTest, FolderIsLookedUpWithinThePathLimit) {
  std::wstring folder, path;
  ASSERT_EQ(StoreFolder(kScopeCurrentUser, StoreProduct::kCurrent, folder), S_OK);
  EXPECT_EQ(folder, UserFolder());
  EXPECT_FALSE(FileExists(UserFolder()));
  EXPECT_EQ(StorePath(std::wstring(250, L'a'), L"0123456789", path), static_cast<HRESULT>(0x8007006F));
  EXPECT_EQ(StorePath(std::wstring(250, L'a'), L"012345678", path), S_OK);
  for (const auto& [extra, expected] : {std::pair{0, S_OK}, std::pair{1, static_cast<HRESULT>(0x8007006F)}}) {
    std::wstring user = m_temp.Path() + L"\\";
    user += std::wstring(227 - user.size() + extra, L'u');
    ASSERT_TRUE(CreateDirectoryW(user.c_str(), nullptr));
    PointAt(user, m_common);
    EXPECT_EQ(StoreFolder(kScopeCurrentUser, StoreProduct::kCurrent, folder), expected) << extra;
    if (expected == S_OK) {
      EXPECT_EQ(folder.size(), 259u);
    }
  }
}

TEST_F(StoreFoldersTest, UserCountersDeleteTheirFileAtZero) {
  const std::wstring path = CommonFolder() + kUserCountFile;
  CJournal journal;
  ASSERT_EQ(journal.Create(), S_OK);
  ASSERT_EQ(ChangeUserCounter(UserCounter::kCount, +1, &journal), S_OK);
  // The change writes a new file and puts it in place of the old one (which
  // a writer dying half-way would leave whole), rather than editing it.
  const auto fileIndex = [&path] {
    BY_HANDLE_FILE_INFORMATION info{};
    HANDLE file = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    GetFileInformationByHandle(file, &info);
    CloseHandle(file);
    return (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  };
  const std::uint64_t before = fileIndex();
  ASSERT_EQ(ChangeUserCounter(UserCounter::kCount, +1, &journal), S_OK);
  EXPECT_NE(fileIndex(), before);
  ASSERT_EQ(ChangeUserCounter(UserCounter::kCount2, +1, &journal), S_OK);
  UserCounts counts;
  ASSERT_EQ(ReadUserCounts(counts), S_OK);
  EXPECT_EQ(std::pair(counts.count, counts.count2), std::pair(2u, 1u));
  EXPECT_EQ(GetPrivateProfileIntW(L"UserCount", L"Count", 99, path.c_str()), 2u);

  ASSERT_EQ(ChangeUserCounter(UserCounter::kCount, -1, &journal), S_OK);
  ASSERT_EQ(ChangeUserCounter(UserCounter::kCount, -1, &journal), S_OK);
  EXPECT_TRUE(FileExists(path)) << "Count2 is still 1";
  ASSERT_EQ(ChangeUserCounter(UserCounter::kCount2, -1, &journal), S_OK);
  EXPECT_FALSE(FileExists(path));
  ASSERT_EQ(ChangeUserCounter(UserCounter::kCount2, -1, &journal), S_OK) << "never below 0";
  EXPECT_FALSE(FileExists(path)) << "nor written back at 0";
  ASSERT_EQ(ReadUserCounts(counts), S_OK);
  EXPECT_EQ(counts.count + counts.count2, 0u);

  ASSERT_EQ(journal.Rollback(), S_OK);
  EXPECT_FALSE(FileExists(m_common + L"\\Kestmoor")) << "the folders made for the counters are removed again";
}

}  // namespace
}  // namespace wendrix::test

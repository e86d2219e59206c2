// The machine-wide count of users who registered a publisher.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "../support/shell_folder_redirect.h"
#include "../support/temp_folder.h"
#include "registration/publisher_store.h"
#include "registration/store_folders.h"
#include "registration/user_counters.h"
#include "setup/journal.h"

namespace wendrix::test {
namespace {

using UserCountersTest = ShellFolderTest;

TEST_F(UserCountersTest, UserCountersDeleteTheirFileAtZero) {
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
  EXPECT_EQ(counts.count, 2u);
  EXPECT_EQ(counts.count2, 1u);
  EXPECT_EQ(GetPrivateProfileIntW(L"UserCount", L"Count", 99, path.c_str()), 2u);

  ASSERT_EQ(ChangeUserCounter(UserCounter::kCount, -1, &journal), S_OK);
  ASSERT_EQ(ChangeUserCounter(UserCounter::kCount, -1, &journal), S_OK);
  EXPECT_TRUE(FileExists(path)) << "Count2 is still 1";
  ASSERT_EQ(ChangeUserCounter(UserCounter::kCount2, -1, &journal), S_OK);
  EXPECT_FALSE(FileExists(path));
  ASSERT_EQ(ChangeUserCounter(UserCounter::kCount2, -1, &journal), S_OK) << "never below 0";
  EXPECT_FALSE(FileExists(path));
  ASSERT_EQ(ReadUserCounts(counts), S_OK);
  EXPECT_EQ(counts.count + counts.count2, 0u);

  ASSERT_EQ(journal.Rollback(), S_OK);
  EXPECT_FALSE(FileExists(m_common + L"\\Kestmoor")) << "the folders made for the counters are removed again";
}

}  // namespace
}  // namespace wendrix::test

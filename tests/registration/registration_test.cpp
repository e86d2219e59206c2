// Registering publishers in the list files of both scopes and removing them:
// sections, registration icons, user counters and the publisher's files.
#include "registration/registration.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "../support/temp_folder.h"
#include "core/ini_file.h"
#include "registration/publisher_store.h"
#include "registration/store_folders.h"
#include "registration/user_counters.h"
#include "setup/journal.h"
#include "shell_folder_redirect.h"

namespace wendrix::test {
namespace {

Registration MakeRegistration(const std::wstring& id, bool hasCount, std::uint32_t count) {
  Registration r;
  r.id = id;
  r.name = L"Publisher " + id;
  r.homePage = L"http://www." + id + L".example/";
  r.dataSource = L"http://update." + id + L".example/p.wx-cnf";
  r.version = L"1.0";
  r.applicationNames = {{L"en", L"App"}};
  r.flags = kPublisherMenuHomePage | kPublisherDialogHistory;
  r.hasCount = hasCount;
  r.count = count;
  return r;
}

std::wstring ReadText(const std::wstring& path) {
  std::wstring text;
  return SUCCEEDED(ReadTextFile(path.c_str(), text)) ? text : L"<missing>";
}

UserCounts Counts() {
  UserCounts counts;
  EXPECT_EQ(ReadUserCounts(counts), S_OK);
  return counts;
}

class RegistrationTest : public ShellFolderTest {};

TEST_F(RegistrationTest, CurrentUserListAndCounters) {
  ASSERT_EQ(RegisterInScope(MakeRegistration(L"1.1", false, 0), kScopeCurrentUser, nullptr), S_OK);
  EXPECT_EQ(ReadText(UserFolder() + kCurrentUserListFile),
            L"\r\n[1.1]\r\nName = Publisher 1.1\r\nHomePage = http://www.1.1.example/\r\n"
            L"DataSource = http://update.1.1.example/p.wx-cnf\r\nApplicationName = \"en\", \"App\"\r\n"
            L"ControlPanel = 0\r\nVersion = 1.0\r\nApplicationMenuHomePage = 1\r\nApplicationMenuFeedback = 0\r\n"
            L"ApplicationDialogAllItems = 0\r\nApplicationDialogWallet = 0\r\nApplicationDialogHistory = 1\r\n"
            L"UserRegistered = 1\r\n");
  EXPECT_EQ(Counts().count, 0u);
  EXPECT_EQ(Counts().count2, 1u);

  ASSERT_EQ(RegisterInScope(MakeRegistration(L"2.2", true, 2), kScopeCurrentUser, nullptr), S_OK);
  ASSERT_EQ(RegisterInScope(MakeRegistration(L"3.3", true, 1), kScopeCurrentUser, nullptr), S_OK);
  ASSERT_EQ(RegisterInScope(MakeRegistration(L"3.3", true, 2), kScopeCurrentUser, nullptr), S_OK);
  EXPECT_EQ(Counts().count, 1u) << "one user, however many registrations";
  EXPECT_EQ(Counts().count2, 1u);

  CPublisherStore store;
  ASSERT_EQ(store.Open(false, nullptr), S_OK);
  ASSERT_EQ(store.Records().size(), 3u);
  EXPECT_EQ(store.Find(L"3.3")->counts[kSlotCurrentUser], 2u);
  EXPECT_EQ(store.Find(L"3.3")->flags, kPublisherCountedCurrentUser | kPublisherMenuHomePage | kPublisherDialogHistory);

  EXPECT_EQ(UnregisterFromScope(L"1.1", kScopeCurrentUser, nullptr), S_OK);
  EXPECT_EQ(Counts().count2, 0u);
  EXPECT_TRUE(FileExists(CommonFolder() + kUserCountFile));
  EXPECT_EQ(UnregisterFromScope(L"1.1", kScopeCurrentUser, nullptr), S_FALSE);
  EXPECT_EQ(UnregisterFromScope(L"2.2", kScopeCurrentUser, nullptr), S_OK);
  EXPECT_EQ(Counts().count, 1u) << "3.3 still counts";
  EXPECT_EQ(UnregisterFromScope(L"3.3", kScopeCurrentUser, nullptr), S_OK);
  EXPECT_FALSE(FileExists(CommonFolder() + kUserCountFile));
  EXPECT_FALSE(FileExists(UserFolder() + kCurrentUserListFile));
}

TEST_F(RegistrationTest, AllUsersRegistrationLeavesCountersAlone) {
  ASSERT_EQ(RegisterInScope(MakeRegistration(L"1.1", true, 0), kScopeAllUsers, nullptr), S_OK);
  const std::wstring list = ReadText(CommonFolder() + kAllUsersListFile);
  EXPECT_NE(list.find(L"Count = 0\r\n"), std::wstring::npos);
  EXPECT_EQ(list.find(L"UserRegistered"), std::wstring::npos);
  EXPECT_FALSE(FileExists(CommonFolder() + kUserCountFile));
  EXPECT_EQ(RegisterInScope(MakeRegistration(L"", true, 0), kScopeAllUsers, nullptr), E_INVALIDARG);
}

TEST_F(RegistrationTest, RegistrationIconIsCopiedAndRemoved) {
  Registration r = MakeRegistration(L"1.1", true, 1);
  r.iconFile = m_temp.Write(L"app.ico", "icon bytes");
  ASSERT_EQ(RegisterInScope(r, kScopeAllUsers, nullptr), S_OK);
  const std::wstring icon = CommonFolder() + L"1.1.ico";
  EXPECT_EQ(ReadFileBytes(icon), "icon bytes");
  EXPECT_NE(ReadText(CommonFolder() + kAllUsersListFile).find(L"ApplicationIcon = " + icon + L"\r\n"),
            std::wstring::npos);

  r.iconFile = icon;  // the copy itself: nothing to copy
  ASSERT_EQ(RegisterInScope(r, kScopeAllUsers, nullptr), S_OK);
  EXPECT_EQ(ReadFileBytes(icon), "icon bytes");

  r.iconFile.clear();
  ASSERT_EQ(RegisterInScope(r, kScopeAllUsers, nullptr), S_OK);
  EXPECT_FALSE(FileExists(icon));
  EXPECT_EQ(ReadText(CommonFolder() + kAllUsersListFile).find(L"ApplicationIcon"), std::wstring::npos);

  r.iconFile = m_temp.File(L"missing.ico");
  EXPECT_EQ(RegisterInScope(r, kScopeAllUsers, nullptr), HResultFromWin32(ERROR_FILE_NOT_FOUND));
}

TEST_F(RegistrationTest, UnregisterDeletesThePublishersFiles) {
  Registration r = MakeRegistration(L"1.2", true, 1);
  r.iconFile = m_temp.Write(L"app.ico", "icon");
  ASSERT_EQ(RegisterInScope(r, kScopeCurrentUser, nullptr), S_OK);
  ASSERT_EQ(RegisterInScope(r, kScopeAllUsers, nullptr), S_OK);
  for (const wchar_t* name : {L"1.2.ini", L"1.2.prv", L"1.2.ina", L"1.2-group.ico", L"1.2-group-item.ico",
                              L"1.23-group.ico", L"1.23.ini"})
    WriteFile(UserFolder(), name, L"x");

  CPublisherStore store;
  ASSERT_EQ(store.Open(false, nullptr), S_OK);
  ASSERT_EQ(Unregister(*store.Find(L"1.2"), kRegisterCurrentUser | kRegisterAllUsers, nullptr), S_OK);
  for (const wchar_t* name : {L"1.2.ini", L"1.2.prv", L"1.2.ina", L"1.2-group.ico", L"1.2-group-item.ico", L"1.2.ico"})
    EXPECT_FALSE(FileExists(UserFolder() + name)) << std::wstring(name).size();
  EXPECT_FALSE(FileExists(CommonFolder() + L"1.2.ico"));
  EXPECT_TRUE(FileExists(UserFolder() + L"1.23-group.ico"));
  EXPECT_TRUE(FileExists(UserFolder() + L"1.23.ini"));
  EXPECT_FALSE(FileExists(UserFolder() + kCurrentUserListFile));
  EXPECT_FALSE(FileExists(CommonFolder() + kAllUsersListFile));
  EXPECT_FALSE(FileExists(CommonFolder() + kUserCountFile));
}

TEST_F(RegistrationTest, JournalPutsEverythingBack) {
  ASSERT_EQ(RegisterInScope(MakeRegistration(L"1.1", false, 0), kScopeCurrentUser, nullptr), S_OK);
  const std::wstring listBefore = ReadText(UserFolder() + kCurrentUserListFile);
  const std::string countsBefore = ReadFileBytes(CommonFolder() + kUserCountFile);

  CJournal journal;
  ASSERT_EQ(journal.Create(), S_OK);
  Registration r = MakeRegistration(L"2.2", true, 1);
  r.iconFile = m_temp.Write(L"app.ico", "icon");
  ASSERT_EQ(RegisterInScope(r, kScopeCurrentUser, &journal), S_OK);
  ASSERT_EQ(UnregisterFromScope(L"1.1", kScopeCurrentUser, &journal), S_OK);
  EXPECT_EQ(Counts().count, 1u);
  EXPECT_EQ(Counts().count2, 0u);

  ASSERT_EQ(journal.Rollback(), S_OK);
  EXPECT_EQ(ReadText(UserFolder() + kCurrentUserListFile), listBefore);
  EXPECT_EQ(ReadFileBytes(CommonFolder() + kUserCountFile), countsBefore);
  EXPECT_FALSE(FileExists(UserFolder() + L"2.2.ico"));
}

TEST_F(RegistrationTest, ConcurrentRegistrationsAreAllKept) {
  constexpr int kThreads = 6, kEach = 5;
  std::vector<std::thread> threads;
  std::vector<HRESULT> results(kThreads * kEach, E_PENDING);
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t, &results] {
      for (int i = 0; i < kEach; ++i) {
        const std::wstring id = L"9." + std::to_wstring(t) + L"." + std::to_wstring(i);
        results[t * kEach + i] =
            RegisterInScope(MakeRegistration(id, true, 1), t % 2 ? kScopeAllUsers : kScopeCurrentUser, nullptr);
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (HRESULT hr : results) EXPECT_EQ(hr, S_OK);
  CPublisherStore store;
  ASSERT_EQ(store.Open(false, nullptr), S_OK);
  EXPECT_EQ(store.Records().size(), static_cast<std::size_t>(kThreads * kEach));
  EXPECT_EQ(Counts().count, 1u);
}

}  // namespace
}  // namespace wendrix::test

// Registering publishers in the list files of both scopes and removing them:
// sections, registration icons, user counters and the publisher's files.
#include "registration/registration.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "../support/child_process.h"
#include "../support/temp_folder.h"
#include "platform/ini_file.h"
#include "registration/publisher_store.h"
#include "registration/store_folders.h"
#include "registration/user_counters.h"
#include "setup/journal.h"
#include "../support/shell_folder_redirect.h"
#include "sample_registration.h"

namespace wendrix::test {
namespace {

// The machine's two user counts: Count, then Count2.
std::pair<std::uint32_t, std::uint32_t> Counts() {
  UserCounts counts;
  EXPECT_EQ(ReadUserCounts(counts), S_OK);
  return {counts.count, counts.count2};
}

class RegistrationTest : public ShellFolderTest {};

TEST_F(RegistrationTest, CurrentUserListAndCounters) {
  ASSERT_EQ(RegisterInScope(MakeRegistration(L"1.1"), kScopeCurrentUser, nullptr), S_OK);
  EXPECT_EQ(ReadText(UserFolder() + kCurrentUserListFile),
            L"\r\n[1.1]\r\nName = Publisher 1.1\r\nHomePage = http://www.1.1.example/\r\n"
            L"DataSource = http://update.1.1.example/p.wx-cnf\r\nApplicationName = \"en\", \"App\"\r\n"
            L"ControlPanel = 0\r\nVersion = 1.0\r\nApplicationMenuHomePage = 1\r\nApplicationMenuFeedback = 0\r\n"
            L"ApplicationDialogAllItems = 0\r\nApplicationDialogWallet = 0\r\nApplicationDialogHistory = 1\r\n"
            L"UserRegistered = 1\r\n");
  EXPECT_EQ(Counts(), std::pair(0u, 1u));

  ASSERT_EQ(RegisterInScope(MakeRegistration(L"2.2", true, 2), kScopeCurrentUser, nullptr), S_OK);
  ASSERT_EQ(RegisterInScope(MakeRegistration(L"3.3", true, 1), kScopeCurrentUser, nullptr), S_OK);
  ASSERT_EQ(RegisterInScope(MakeRegistration(L"3.3", true, 2), kScopeCurrentUser, nullptr), S_OK);
  EXPECT_EQ(Counts(), std::pair(1u, 1u)) << "one user, however many registrations";

  CPublisherStore store;
  ASSERT_EQ(store.Open(false, nullptr), S_OK);
  ASSERT_EQ(store.Records().size(), 4u) << "and the library's own publisher";
  EXPECT_EQ(store.Find(L"3.3")->counts[kSlotCurrentUser], 2u);
  EXPECT_EQ(store.Find(L"3.3")->flags, kPublisherCountedCurrentUser | kPublisherMenuHomePage | kPublisherDialogHistory);

  EXPECT_EQ(UnregisterFromScope(L"1.1", kScopeCurrentUser, nullptr), S_OK);
  EXPECT_EQ(Counts(), std::pair(1u, 0u));
  EXPECT_EQ(UnregisterFromScope(L"1.1", kScopeCurrentUser, nullptr), S_FALSE);
  EXPECT_EQ(UnregisterFromScope(L"2.2", kScopeCurrentUser, nullptr), S_OK);
  EXPECT_EQ(Counts(), std::pair(1u, 0u)) << "3.3 still counts";
  EXPECT_EQ(UnregisterFromScope(L"3.3", kScopeCurrentUser, nullptr), S_OK);
  EXPECT_FALSE(FileExists(CommonFolder() + kUserCountFile));
  EXPECT_FALSE(FileExists(UserFolder() + kCurrentUserListFile));

  // A section that says it is not the user's own registration is none.
  WriteFile(UserFolder(), kCurrentUserListFile, L"[1.1]\r\nCount = 1\r\nUserRegistered = 0\r\n");
  ASSERT_EQ(RegisterInScope(MakeRegistration(L"2.2"), kScopeCurrentUser, nullptr), S_OK);
  EXPECT_EQ(Counts().second, 1u);
}

// A registration for all users leaves the user counters alone; its icon is
// copied into the store, kept when the copy itself is named, and removed
// with the key when the registration has none.
TEST_F(RegistrationTest, AllUsersRegistrationAndItsIcon) {
  Registration r = MakeRegistration(L"1.1", true, 0);
  r.iconFile = m_temp.Write(L"app.ico", "icon bytes");
  ASSERT_EQ(RegisterInScope(r, kScopeAllUsers, nullptr), S_OK);
  const std::wstring icon = CommonFolder() + L"1.1.ico";
  EXPECT_EQ(ReadFileBytes(icon), "icon bytes");
  const std::wstring list = ReadText(CommonFolder() + kAllUsersListFile);
  EXPECT_NE(list.find(L"ApplicationIcon = " + icon + L"\r\n"), std::wstring::npos) << list;
  EXPECT_NE(list.find(L"Count = 0\r\n"), std::wstring::npos) << list;
  EXPECT_EQ(list.find(L"UserRegistered"), std::wstring::npos) << list;
  EXPECT_FALSE(FileExists(CommonFolder() + kUserCountFile));

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

// Into empty folders the rollback leaves nothing, not even the folders;
// beside an earlier registration it puts back the list and the counters.
TEST_F(RegistrationTest, JournalPutsEverythingBack) {
  for (const bool earlier : {false, true}) {
    SCOPED_TRACE(earlier ? "beside an earlier registration" : "into empty folders");
    if (earlier) {
      ASSERT_EQ(RegisterInScope(MakeRegistration(L"1.1"), kScopeCurrentUser, nullptr), S_OK);
    }
    const auto userBefore = SnapshotTree(m_user), commonBefore = SnapshotTree(m_common);
    CJournal journal;
    ASSERT_EQ(journal.Create(), S_OK);
    Registration r = MakeRegistration(L"3.3", true, 2);
    r.iconFile = m_temp.Write(L"app.ico", "icon");
    ASSERT_EQ(RegisterInScope(r, kScopeAllUsers, &journal), S_OK);
    ASSERT_EQ(RegisterInScope(r, kScopeCurrentUser, &journal), S_OK);
    ASSERT_TRUE(FileExists(CommonFolder() + L"3.3.ico"));
    if (earlier) {
      ASSERT_EQ(UnregisterFromScope(L"1.1", kScopeCurrentUser, &journal), S_OK);
      EXPECT_EQ(Counts(), std::pair(1u, 0u));
    } else {
      ASSERT_TRUE(FileExists(CommonFolder() + kUserCountFile));
    }
    ASSERT_EQ(journal.Rollback(), S_OK);
    EXPECT_EQ(SnapshotTree(m_user), userBefore);
    EXPECT_EQ(SnapshotTree(m_common), commonBefore) << "folders, list, icon and counters";
  }
}

// A child process: ROUNDS times, registers PREFIX.round.0 to .2 in SCOPE
// ("user" or "all") and unregisters PREFIX.round.1 again, so that the lists
// keep changing size.
WENDRIX_CHILD_ROLE(register_rounds) {
  if (args.size() != 3) return 90;
  const StoreScope scope = args[1] == L"all" ? kScopeAllUsers : kScopeCurrentUser;
  const int rounds = _wtoi(args[2].c_str());
  for (int round = 0; round < rounds; ++round) {
    const std::wstring base = args[0] + L"." + std::to_wstring(round) + L".";
    for (int i = 0; i < 3; ++i)
      if (RegisterInScope(MakeRegistration(base + std::to_wstring(i), true, 1), scope, nullptr) != S_OK) return 91;
    if (UnregisterFromScope(base + L"1", scope, nullptr) != S_OK) return 92;
  }
  return 0;
}

// Processes register and unregister in both lists while this one opens the
// store over and over: every open finds whole lists with every publisher
// that stays registered, and in the end no update was lost.
TEST_F(RegistrationTest, ProcessesRegisteringAtOnceLoseNoUpdateAndShowNoPartOfAList) {
  constexpr int kStaying = 40, kChildren = 4, kRounds = 8;
  for (int i = 0; i < kStaying; ++i)
    ASSERT_EQ(RegisterInScope(MakeRegistration(L"3." + std::to_wstring(i)), kScopeCurrentUser, nullptr), S_OK);
  std::vector<ChildProcess> children(kChildren);
  for (int c = 0; c < kChildren; ++c)
    ASSERT_TRUE(children[c].Start(L"register_rounds", {L"7." + std::to_wstring(c), c % 2 ? L"all" : L"user",
                                                       std::to_wstring(kRounds)}));
  for (bool running = true; running;) {
    running = false;
    for (ChildProcess& child : children) running = running || child.Wait(0) == -1;
    CPublisherStore store;
    ASSERT_EQ(store.Open(false, nullptr), S_OK);
    for (int i = 0; i < kStaying; ++i) {
      const PublisherRecord* r = store.Find(L"3." + std::to_wstring(i));
      ASSERT_NE(r, nullptr) << "lost 3." << i;
      ASSERT_EQ(r->dataSource, MakeRegistration(r->id).dataSource);
    }
  }
  for (ChildProcess& child : children) EXPECT_EQ(child.Wait(), 0);

  CPublisherStore store;
  ASSERT_EQ(store.Open(false, nullptr), S_OK);
  EXPECT_EQ(store.Records().size(), static_cast<std::size_t>(kStaying + kChildren * kRounds * 2 + 1));
  for (int c = 0; c < kChildren; ++c) {
    for (int round = 0; round < kRounds; ++round) {
      const std::wstring base = L"7." + std::to_wstring(c) + L"." + std::to_wstring(round) + L".";
      const std::uint32_t counted = c % 2 ? kPublisherCountedAllUsers : kPublisherCountedCurrentUser;
      for (int i : {0, 2}) {
        const PublisherRecord* r = store.Find(base + std::to_wstring(i));
        ASSERT_NE(r, nullptr) << "lost: " << testing::PrintToString(base) << i;
        EXPECT_EQ(r->flags & (kPublisherCountedAllUsers | kPublisherCountedCurrentUser), counted);
      }
      EXPECT_EQ(store.Find(base + L"1"), nullptr);
    }
  }
  EXPECT_EQ(Counts(), std::pair(1u, 1u)) << "one user, however many registrations";
  for (const std::wstring& folder : {UserFolder(), CommonFolder()})
    for (const auto& [name, bytes] : SnapshotTree(folder))
      EXPECT_FALSE(name.ends_with(L".tmp")) << "left behind: " << testing::PrintToString(name);
}

}  // namespace
}  // namespace wendrix::test

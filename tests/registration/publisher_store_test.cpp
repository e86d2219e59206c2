// The publisher store's lists against real files, mutexes and the older
// product's registry lists: reading, merging, saving and importing.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "../support/registry_sandbox.h"
#include "../support/shell_folder_redirect.h"
#include "../support/temp_folder.h"
#include "publisher/builtin_publishers.h"
#include "registration/publisher_store.h"
#include "registration/store_folders.h"
#include "registration/store_mutex.h"
#include "setup/journal.h"

namespace wendrix::test {
namespace {

constexpr wchar_t kOlderRegistry3[] = L"SOFTWARE\\Kestmoor\\Pellister\\3.0\\Publishers";

using PublisherStoreTest = ShellFolderTest;

// A list is written in UTF-16 with only the keys its records hold; one
// without sections is deleted, which a rollback undoes.
TEST_F(PublisherStoreTest, WrittenListReadsBackAndAnEmptyOneIsDeleted) {
  std::vector<PublisherRecord> records(2);
  records[0].id = L"1.2.3";
  records[0].applicationNames = {{L"en", L"A"}};
  records[0].counts[kSlotAllUsers] = 2;
  records[0].present = KeyBit(kKeyApplicationName) | KeyBit(kKeyCount);
  records[1].id = L"4.5.6";
  ASSERT_EQ(WriteScopeList(kScopeAllUsers, records, nullptr), S_OK);
  const std::wstring list = CommonFolder() + kAllUsersListFile;
  EXPECT_EQ(ReadFileBytes(list).substr(0, 2), "\xFF\xFE");
  const std::wstring text = L"\r\n[1.2.3]\r\nCount = 2\r\nApplicationName = \"en\", \"A\"\r\n\r\n[4.5.6]\r\n";
  EXPECT_EQ(ReadText(list), text);

  CJournal journal;
  ASSERT_EQ(journal.Create(), S_OK);
  ASSERT_EQ(WriteScopeList(kScopeAllUsers, {}, &journal), S_OK);
  EXPECT_FALSE(FileExists(list));
  ASSERT_EQ(journal.Rollback(), S_OK);
  EXPECT_EQ(ReadText(list), text);
}

TEST_F(PublisherStoreTest, OpenMergesCurrentUserThenAllUsers) {
  const BuiltinPublisher& self = SelfPublisher();
  WriteFile(UserFolder(), kCurrentUserListFile,
            L"[1.2.3]\r\nName = Mine\r\nCount = 0\r\nUserRegistered = 1\r\nVersion = 2.0\r\n"
            L"[" + std::wstring(self.alias) + L"]\r\nDataSource = http://elsewhere.example/x\r\nCount = 1\r\n");
  WriteFile(CommonFolder(), kAllUsersListFile,
            L"[4.5.6]\r\nName = Theirs\r\n[1.2.3]\r\nName = Shared\r\nHomePage = h\r\nCount = 3\r\n"
            L"Version = 1.0\r\nApplicationDialogWallet = 1\r\n");
  CPublisherStore store;
  ASSERT_EQ(store.Open(false, nullptr), S_OK);
  std::vector<std::wstring> ids;
  for (const PublisherRecord& r : store.Records()) ids.push_back(r.id);
  ASSERT_EQ(ids, (std::vector<std::wstring>{L"1.2.3", self.id, L"4.5.6"}));

  const PublisherRecord* shared = store.Find(L"1.2.3");
  ASSERT_NE(shared, nullptr);
  EXPECT_EQ(shared->name, L"Mine");  // the user's version 2.0 is newer than 1.0
  EXPECT_EQ(shared->homePage, L"h");
  EXPECT_EQ(shared->counts[kSlotCurrentUser], 0u);
  EXPECT_EQ(shared->counts[kSlotAllUsers], 3u);
  // Registered by the user's own hand: registered for the user without a count.
  EXPECT_EQ(shared->flags, kPublisherCountedCurrentUser | kPublisherCountedAllUsers | kPublisherUserRegistered |
                               kPublisherDialogWallet);

  const PublisherRecord* builtin = store.Find(self.alias);
  ASSERT_NE(builtin, nullptr);
  EXPECT_EQ(builtin->dataSource, self.dataSource) << "a built-in publisher's data source comes from the table";
  EXPECT_TRUE(IsSelfPublisher(*builtin));
  EXPECT_FALSE(IsSelfPublisher(*shared));
  EXPECT_EQ(store.FindByName(L"THEIRS"), &store.Records()[2]);
  EXPECT_EQ(store.FindByName(L"Nobody"), nullptr);

  EXPECT_EQ(store.PublisherVersion(L"1.2.3"), L"2.0");
  EXPECT_EQ(store.PublisherVersion(L"4.5.6"), L"0.0");
  EXPECT_EQ(store.PublisherVersion(L"9"), std::nullopt);
  store.RecordRequiredVersion(L"3.9");
  store.RecordRequiredVersion(L"3.10");
  store.RecordRequiredVersion(L"3.8");
  EXPECT_EQ(store.RequiredVersion(), L"3.10");
}

TEST_F(PublisherStoreTest, CheckStateGoesToTheUsersList) {
  WriteFile(UserFolder(), kCurrentUserListFile, L"[1.1]\r\nName = Mine\r\nDataSource = http://d.example/\r\nCount = 2\r\n");
  // Older releases wrote every user's state into the all-users list.
  WriteFile(CommonFolder(), kAllUsersListFile,
            L"[2.2]\r\nName = Theirs\r\nFailedLastCheck = 1\r\nEnabled = 0\r\n[1.1]\r\nName = Shared\r\n");
  const std::string machine = ReadFileBytes(CommonFolder() + kAllUsersListFile);
  CPublisherStore store;
  ASSERT_EQ(store.Open(false, nullptr), S_OK);
  for (PublisherRecord& r : store.Records()) {
    r.attempted = 0x01D9000000000000ull;  // 2022-11-..., whole seconds below
    r.attempted -= r.attempted % 10000000ull;
    r.failedLastCheck = 0;
    r.lastCheckError = 0x80070005;
    r.enabled = 1;
    r.present |= KeyBit(kKeyAttempted) | KeyBit(kKeyFailedLastCheck) | KeyBit(kKeyLastCheckError) | KeyBit(kKeyEnabled);
  }
  // Another process registers a publisher after our open: its section stays.
  std::vector<PublisherRecord> mine;
  ASSERT_EQ(ReadScopeList(kScopeCurrentUser, mine, nullptr), S_OK);
  mine.emplace_back().id = L"3.3";
  ASSERT_EQ(WriteScopeList(kScopeCurrentUser, mine, nullptr), S_OK);

  ASSERT_EQ(store.SaveCheckState(nullptr), S_OK);
  const std::wstring user = ReadText(UserFolder() + kCurrentUserListFile);
  EXPECT_NE(user.find(L"[1.1]\r\nName = Mine\r\nDataSource = http://d.example/\r\nEnabled = 1\r\nAttempted = 2022-"),
            std::wstring::npos)
      << user;
  EXPECT_NE(user.find(L"FailedLastCheck = 0\r\nLastCheckError = 0x80070005\r\nCount = 2\r\n"), std::wstring::npos)
      << user;
  EXPECT_NE(user.find(L"[3.3]"), std::wstring::npos);
  EXPECT_NE(user.find(L"[2.2]\r\nEnabled = 1\r\nAttempted = 2022-"), std::wstring::npos)
      << "registered for all users only: the user's state has its own section: " << user;
  EXPECT_EQ(ReadFileBytes(CommonFolder() + kAllUsersListFile), machine);

  // The user's state wins over the all-users list's.
  CPublisherStore again;
  ASSERT_EQ(again.Open(false, nullptr), S_OK);
  ASSERT_NE(again.Find(L"1.1"), nullptr);
  EXPECT_EQ(again.Find(L"1.1")->attempted, store.Find(L"1.1")->attempted);
  ASSERT_NE(again.Find(L"2.2"), nullptr);
  EXPECT_EQ(again.Find(L"2.2")->name, L"Theirs");
  EXPECT_EQ(again.Find(L"2.2")->failedLastCheck, 0);
  EXPECT_TRUE(again.Find(L"2.2")->IsEnabled());
  EXPECT_EQ(again.Find(L"2.2")->flags & kPublisherCountedCurrentUser, 0u);

  // A key this process never set keeps what another process wrote meanwhile.
  CPublisherStore partial;
  ASSERT_EQ(partial.Open(false, nullptr), S_OK);
  for (PublisherRecord& r : partial.Records()) r.present &= ~(KeyBit(kKeyLastCheckError) | KeyBit(kKeyFailedLastCheck));
  partial.Find(L"1.1")->enabled = 0;
  ASSERT_EQ(partial.SaveCheckState(nullptr), S_OK);
  CPublisherStore merged;
  ASSERT_EQ(merged.Open(false, nullptr), S_OK);
  EXPECT_EQ(merged.Find(L"1.1")->enabled, 0);
  EXPECT_EQ(merged.Find(L"1.1")->lastCheckError, 0x80070005u);

  // Nothing changed: the list is not rewritten. Without its all-users
  // registration the user's state is no publisher.
  const std::string before = ReadFileBytes(UserFolder() + kCurrentUserListFile);
  DeleteFileW((CommonFolder() + kAllUsersListFile).c_str());
  ASSERT_EQ(merged.SaveCheckState(nullptr), S_OK);
  EXPECT_EQ(ReadFileBytes(UserFolder() + kCurrentUserListFile), before);
  EXPECT_FALSE(FileExists(CommonFolder() + kAllUsersListFile));
  ASSERT_EQ(merged.Open(false, nullptr), S_OK);
  EXPECT_EQ(merged.Find(L"2.2"), nullptr);
  EXPECT_NE(merged.Find(L"1.1"), nullptr);
}

// No lists: an empty store, and nothing marked as imported. A list that
// does not parse stops the open where it fails.
TEST_F(PublisherStoreTest, OpenWithNoListsOrAListThatDoesNotParse) {
  CPublisherStore store;
  EXPECT_EQ(store.Open(true, nullptr), S_OK);
  EXPECT_TRUE(store.Records().empty());
  EXPECT_FALSE(FileExists(UserFolder() + kImportedLegacyFile));

  WriteFile(UserFolder(), kCurrentUserListFile, L"[1.2.3]\r\nName = A\r\n");
  WriteFile(CommonFolder(), kAllUsersListFile, L"[4.5.6]\r\nName = B\r\n[broken\r\n");
  EXPECT_EQ(store.Open(false, nullptr), static_cast<HRESULT>(0x8007000D));
  EXPECT_TRUE(store.Records().empty());
  EXPECT_EQ(store.ErrorFile(), CommonFolder() + kAllUsersListFile);
  EXPECT_EQ(store.ErrorLine(), 3u);
}

TEST_F(PublisherStoreTest, OlderProductSources) {
  SetStringValue(HKEY_CURRENT_USER, std::wstring(kOlderRegistry3) + L"\\1.2.3", L"Name", L"From registry", 0);
  SetStringValue(HKEY_CURRENT_USER, std::wstring(kOlderRegistry3) + L"\\1.2.3", L"Count", L"4", 0);
  SetStringValue(HKEY_CURRENT_USER, std::wstring(kOlderRegistry3) + L"\\1.2.3", L"ApplicationMenuHomePage", L"1", 0);
  WriteFile(OlderUserFolder(), kCurrentUserListFile, L"[1.2.3]\r\nName = From older list\r\nHomePage = old\r\n");
  WriteFile(UserFolder(), kCurrentUserListFile, L"[1.2.3]\r\nHomePage = new\r\n");

  CPublisherStore store;
  ASSERT_EQ(store.Open(false, nullptr), S_OK);
  // The library's own publisher comes last, unregistered, with its built-in
  // values.
  ASSERT_EQ(store.Records().size(), 2u);
  EXPECT_TRUE(store.Records()[0].name.empty()) << "the older product is read only when asked for";
  const PublisherRecord& self = store.Records()[1];
  EXPECT_EQ(self.id, SelfPublisher().id);
  EXPECT_EQ(self.dataSource, SelfPublisher().dataSource);
  EXPECT_EQ(self.flags, kPublisherSelf);
  EXPECT_EQ(self.present, 0u) << "nothing of it is written to a list unless a check changes it";

  ASSERT_EQ(store.Open(true, nullptr), S_OK);
  ASSERT_EQ(store.Records().size(), 2u);
  const PublisherRecord& r = store.Records()[0];
  EXPECT_EQ(r.name, L"From registry");
  EXPECT_EQ(r.homePage, L"new");
  EXPECT_EQ(r.counts[kSlotOlderCurrentUser], 4u);
  EXPECT_EQ(r.flags, kPublisherCountedOlderCurrentUser);

  // The older product's marker says its registry lists were imported already.
  WriteFile(OlderUserFolder(), L"Imported.ini", L"[General]\r\n");
  ASSERT_EQ(store.Open(true, nullptr), S_OK);
  EXPECT_EQ(store.Records()[0].name, L"From older list");
  EXPECT_EQ(store.Records()[0].flags, 0u);
}

TEST_F(PublisherStoreTest, OlderUserFilesAreImportedOnce) {
  WriteFile(OlderUserFolder(), kCurrentUserListFile, L"[1.2.3]\r\nName = A\r\n");
  WriteFile(OlderUserFolder(), L"1.2.3.ini", L"old data");
  WriteFile(OlderUserFolder(), L"1.2.3.prv", L"old items");
  ASSERT_TRUE(CreateDirectoryW((OlderUserFolder() + L"Sub").c_str(), nullptr));
  WriteFile(UserFolder(), L"1.2.3.prv", L"current items");

  CJournal journal;
  ASSERT_EQ(journal.Create(), S_OK);
  CPublisherStore store;
  ASSERT_EQ(store.Open(true, &journal), S_OK);
  EXPECT_EQ(ReadText(UserFolder() + L"1.2.3.ini"), L"old data");
  EXPECT_EQ(ReadText(UserFolder() + L"1.2.3.prv"), L"current items");
  EXPECT_EQ(ReadText(UserFolder() + kCurrentUserListFile), L"[1.2.3]\r\nName = A\r\n");
  EXPECT_FALSE(FileExists(UserFolder() + L"Sub"));
  EXPECT_EQ(ReadText(UserFolder() + kImportedLegacyFile), L"[General]\r\nImported = 1\r\n");

  // Once marked, nothing is copied again.
  DeleteFileW((UserFolder() + L"1.2.3.ini").c_str());
  ASSERT_EQ(store.Open(true, &journal), S_OK);
  EXPECT_FALSE(FileExists(UserFolder() + L"1.2.3.ini"));

  ASSERT_EQ(journal.Rollback(), S_OK);
  EXPECT_FALSE(FileExists(UserFolder() + kImportedLegacyFile));
  EXPECT_FALSE(FileExists(UserFolder() + kCurrentUserListFile));
  EXPECT_EQ(ReadText(UserFolder() + L"1.2.3.prv"), L"current items");
}

// The open waits while another holds the list files; a holder that ended
// without letting go leaves the mutex abandoned, which counts as owned.
TEST_F(PublisherStoreTest, OpenTakesThePublisherMutex) {
  WriteFile(UserFolder(), kCurrentUserListFile, L"[1.2.3]\r\n");
  std::optional<NamedMutexLock> lock(std::in_place);
  ASSERT_EQ(lock->Acquire(kPublisherMutex, MutexUsers::kAnyUser), S_OK);
  std::atomic<HRESULT> result{E_PENDING};
  std::thread opener([&] {
    CPublisherStore store;
    result = store.Open(false, nullptr);
  });
  Sleep(200);
  EXPECT_EQ(result.load(), E_PENDING) << "the open must wait while another holds the list files";
  lock.reset();
  opener.join();
  EXPECT_EQ(result.load(), S_OK);

  std::thread([] {
    HANDLE mutex = CreateMutexW(nullptr, TRUE, kPublisherMutex);
    ASSERT_NE(mutex, nullptr);
    CloseHandle(mutex);  // the thread ends owning it
  }).join();
  CPublisherStore store;
  EXPECT_EQ(store.Open(false, nullptr), S_OK);
  EXPECT_EQ(store.Records().size(), 2u) << "1.2.3 and the library's own publisher";
}

// Locks of one thread on one mutex share a hold, in whatever order they
// end: the mutex is free for others only when the last of them has ended.
TEST_F(PublisherStoreTest, LocksOfOneThreadShareOneHold) {
  const std::wstring name = L"WendrixTests.SharedHold." + std::to_wstring(GetCurrentProcessId());
  const auto takenElsewhere = [&] {
    bool taken = false;
    std::thread([&] {
      HANDLE mutex = OpenMutexW(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, name.c_str());
      const DWORD wait = WaitForSingleObject(mutex, 0);
      taken = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
      if (taken) ReleaseMutex(mutex);
      CloseHandle(mutex);
    }).join();
    return taken;
  };
  std::optional<NamedMutexLock> outer(std::in_place), inner(std::in_place);
  ASSERT_EQ(outer->Acquire(name.c_str(), MutexUsers::kThisUser), S_OK);
  ASSERT_EQ(inner->Acquire(name.c_str(), MutexUsers::kThisUser), S_OK);
  inner.reset();
  EXPECT_FALSE(takenElsewhere()) << "the inner lock's end let the outer one's hold go";
  inner.emplace();
  ASSERT_EQ(inner->Acquire(name.c_str(), MutexUsers::kThisUser), S_OK);
  outer.reset();
  EXPECT_FALSE(takenElsewhere()) << "the first lock's end let the later one's hold go";
  inner.reset();
  EXPECT_TRUE(takenElsewhere());
}

}  // namespace
}  // namespace wendrix::test

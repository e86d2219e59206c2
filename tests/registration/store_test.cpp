// The publisher store against real folders, files, mutexes and registry
// lists. The shell's special folders are pointed at a temporary folder for
// each test (Wine re-reads them from the registry on every call) and put back
// afterwards.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "../support/registry_sandbox.h"
#include "../support/temp_folder.h"
#include "platform/ini_file.h"
#include "publisher/builtin_publishers.h"
#include "core/placeholders.h"
#include "registration/branding.h"
#include "registration/publisher_store.h"
#include "registration/side_files.h"
#include "registration/store_folders.h"
#include "registration/store_mutex.h"
#include "registration/user_counters.h"
#include "setup/journal.h"
#include "../support/shell_folder_redirect.h"

namespace wendrix::test {
namespace {

constexpr wchar_t kOlderRegistry3[] = L"SOFTWARE\\Kestmoor\\Pellister\\3.0\\Publishers";

std::wstring ReadText(const std::wstring& path) {
  std::wstring text;
  return SUCCEEDED(ReadTextFile(path.c_str(), text)) ? text : L"<unreadable>";
}

class StoreTest : public ShellFolderTest {};

TEST_F(StoreTest, FoldersPerScope) {
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

TEST_F(StoreTest, TooLongFolderIsRefused) {
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

TEST_F(StoreTest, CreatedFoldersAreJournaledAndRolledBack) {
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

TEST_F(StoreTest, ListWithoutSectionsIsDeleted) {
  CJournal journal;
  ASSERT_EQ(journal.Create(), S_OK);
  WriteFile(UserFolder(), kCurrentUserListFile, L"[1.2.3]\r\nName = A\r\n");
  ASSERT_EQ(WriteScopeList(kScopeCurrentUser, {}, &journal), S_OK);
  EXPECT_FALSE(FileExists(UserFolder() + kCurrentUserListFile));
  ASSERT_EQ(journal.Rollback(), S_OK);
  EXPECT_EQ(ReadText(UserFolder() + kCurrentUserListFile), L"[1.2.3]\r\nName = A\r\n");
}

TEST_F(StoreTest, WrittenListReadsBack) {
  std::vector<PublisherRecord> records(2);
  records[0].id = L"1.2.3";
  records[0].applicationNames = {{L"en", L"A"}};
  records[0].counts[kSlotAllUsers] = 2;
  records[0].present = KeyBit(kKeyApplicationName) | KeyBit(kKeyCount);
  records[1].id = L"4.5.6";
  ASSERT_EQ(WriteScopeList(kScopeAllUsers, records, nullptr), S_OK);
  const std::string bytes = ReadFileBytes(CommonFolder() + kAllUsersListFile);
  ASSERT_GE(bytes.size(), 2u);
  EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
  EXPECT_EQ(ReadText(CommonFolder() + kAllUsersListFile),
            L"\r\n[1.2.3]\r\nCount = 2\r\nApplicationName = \"en\", \"A\"\r\n\r\n[4.5.6]\r\n");

  std::vector<PublisherRecord> read;
  ASSERT_EQ(ReadScopeList(kScopeAllUsers, read, nullptr), S_OK);
  ASSERT_EQ(read.size(), 2u);
  EXPECT_EQ(read[0].counts[kSlotAllUsers], 2u);
}

TEST_F(StoreTest, OpenMergesCurrentUserThenAllUsers) {
  const BuiltinPublisher& self = SelfPublisher();
  WriteFile(UserFolder(), kCurrentUserListFile,
            L"[1.2.3]\r\nName = Mine\r\nCount = 0\r\nUserRegistered = 1\r\nVersion = 2.0\r\n"
            L"[" + std::wstring(self.alias) + L"]\r\nDataSource = http://elsewhere.example/x\r\nCount = 1\r\n");
  WriteFile(CommonFolder(), kAllUsersListFile,
            L"[4.5.6]\r\nName = Theirs\r\n[1.2.3]\r\nName = Shared\r\nHomePage = h\r\nCount = 3\r\n"
            L"Version = 1.0\r\nApplicationDialogWallet = 1\r\n");
  CPublisherStore store;
  ASSERT_EQ(store.Open(false, nullptr), S_OK);
  ASSERT_EQ(store.Records().size(), 3u);
  EXPECT_EQ(store.Records()[0].id, L"1.2.3");
  EXPECT_EQ(store.Records()[1].id, self.id);
  EXPECT_EQ(store.Records()[2].id, L"4.5.6");

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

  EXPECT_TRUE(store.Contains(L"4.5.6"));
  EXPECT_FALSE(store.Contains(L"4.5.7"));
  EXPECT_EQ(store.PublisherVersion(L"1.2.3"), L"2.0");
  EXPECT_EQ(store.PublisherVersion(L"4.5.6"), L"0.0");
  EXPECT_EQ(store.PublisherVersion(L"9"), std::nullopt);
  store.RecordRequiredVersion(L"3.9");
  store.RecordRequiredVersion(L"3.10");
  store.RecordRequiredVersion(L"3.8");
  EXPECT_EQ(store.RequiredVersion(), L"3.10");
}

TEST_F(StoreTest, CheckStateGoesToTheUsersList) {
  WriteFile(UserFolder(), kCurrentUserListFile, L"[1.1]\r\nName = Mine\r\nCount = 2\r\n");
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
  EXPECT_NE(user.find(L"[1.1]\r\nName = Mine\r\nEnabled = 1\r\nAttempted = 2022-"), std::wstring::npos) << user;
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

TEST_F(StoreTest, BrandingTakesTheRegisteredApplicationName) {
  WriteFile(UserFolder(), kCurrentUserListFile,
            L"[1.2.3]\r\nName = Acme\r\nApplicationName = \"xx\", \"Acme Xx\"\r\n"
            L"ApplicationName = \"en\", \"Acme Updater\"\r\nApplicationIcon = " + UserFolder() + L"1.2.3.ico\r\n");
  EXPECT_EQ(BrandForPublisher(L"9.9"), S_FALSE);
  EXPECT_EQ(ProductPlaceholders().applicationName, L"Wendrix");
  EXPECT_EQ(BrandForPublisher(std::wstring(100, L'1')), E_INVALIDARG);
  ASSERT_EQ(BrandForPublisher(L"1.2.3"), S_OK);
  const std::wstring_view name = ProductPlaceholders().applicationName;
  EXPECT_TRUE(name == L"Acme Updater" || name == L"Acme Xx") << "the user's language, else the first";
  EXPECT_EQ(BrandedIconPath(), UserFolder() + L"1.2.3.ico");
  EXPECT_EQ(BrandedPublisherId(), L"1.2.3");
  SetBrandedName(L"", L"");
}

TEST_F(StoreTest, OpenStopsAtAListThatDoesNotParse) {
  WriteFile(UserFolder(), kCurrentUserListFile, L"[1.2.3]\r\nName = A\r\n");
  WriteFile(CommonFolder(), kAllUsersListFile, L"[4.5.6]\r\nName = B\r\n[broken\r\n");
  CPublisherStore store;
  EXPECT_EQ(store.Open(false, nullptr), static_cast<HRESULT>(0x8007000D));
  EXPECT_TRUE(store.Records().empty());
  EXPECT_EQ(store.ErrorFile(), CommonFolder() + kAllUsersListFile);
  EXPECT_EQ(store.ErrorLine(), 3u);
}

TEST_F(StoreTest, OpenWithNoListsIsEmpty) {
  CPublisherStore store;
  EXPECT_EQ(store.Open(true, nullptr), S_OK);
  EXPECT_TRUE(store.Records().empty());
  EXPECT_FALSE(FileExists(UserFolder() + kImportedLegacyFile));
}

TEST_F(StoreTest, OlderProductSources) {
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

TEST_F(StoreTest, OlderUserFilesAreImportedOnce) {
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

TEST_F(StoreTest, AbandonedPublisherMutexCountsAsOwned) {
  std::thread([] {
    HANDLE mutex = CreateMutexW(nullptr, TRUE, kPublisherMutex);
    ASSERT_NE(mutex, nullptr);
    CloseHandle(mutex);  // the thread ends owning it
  }).join();
  WriteFile(UserFolder(), kCurrentUserListFile, L"[1.2.3]\r\n");
  CPublisherStore store;
  EXPECT_EQ(store.Open(false, nullptr), S_OK);
  EXPECT_EQ(store.Records().size(), 2u) << "1.2.3 and the library's own publisher";
}

TEST_F(StoreTest, OpenWaitsForThePublisherMutex) {
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
}

TEST_F(StoreTest, SideFiles) {
  PublisherRecord record;
  record.id = L"1.2.3";
  std::wstring path;
  for (const auto& [kind, name] : {std::pair{SideFile::kData, L"1.2.3.ini"}, std::pair{SideFile::kPreviousItems, L"1.2.3.prv"},
                                   std::pair{SideFile::kInactiveItems, L"1.2.3.ina"}}) {
    ASSERT_EQ(SideFilePath(record, kind, path), S_OK);
    EXPECT_EQ(path, UserFolder() + name);
    std::wstring text = L"untouched";
    const HRESULT missing = FileExists(UserFolder()) ? HResultFromWin32(ERROR_FILE_NOT_FOUND)
                                                     : HResultFromWin32(ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(ReadSideFile(record, kind, text), missing);
    EXPECT_EQ(text, L"untouched");
    ASSERT_EQ(WriteSideFile(record, kind, L"[Publisher]\r\nName = \u00e8\r\n", nullptr), S_OK);
    EXPECT_EQ(ReadFileBytes(path).substr(0, 2), "\xFF\xFE");
    ASSERT_EQ(ReadSideFile(record, kind, text), S_OK);
    EXPECT_EQ(text, L"[Publisher]\r\nName = \u00e8\r\n");
    ASSERT_EQ(WriteSideFile(record, kind, L"", nullptr), S_OK);
    EXPECT_FALSE(FileExists(path));
    EXPECT_EQ(WriteSideFile(record, kind, L"", nullptr), S_OK) << "deleting a missing file is no error";
    EXPECT_EQ(ReadSideFile(record, kind, text), static_cast<HRESULT>(0x80070002));
  }

  record.dataFile = UserFolder() + L"listed.ini";
  record.dataText = L"listed path";
  ASSERT_EQ(SaveDataFile(record, nullptr), S_OK);
  EXPECT_TRUE(FileExists(UserFolder() + L"listed.ini"));
  record.dataText.clear();
  ASSERT_EQ(LoadDataFile(record), S_OK);
  EXPECT_EQ(record.dataText, L"listed path");

  PublisherRecord nameless;
  EXPECT_EQ(SideFilePath(nameless, SideFile::kPreviousItems, path), E_INVALIDARG);
  EXPECT_EQ(LoadDataFile(nameless), E_INVALIDARG);
}

TEST_F(StoreTest, SideFileWriteIsJournaled) {
  PublisherRecord record;
  record.id = L"1.2.3";
  WriteFile(UserFolder(), L"1.2.3.ina", L"before");
  CJournal journal;
  ASSERT_EQ(journal.Create(), S_OK);
  ASSERT_EQ(WriteSideFile(record, SideFile::kInactiveItems, L"after", &journal), S_OK);
  ASSERT_EQ(WriteSideFile(record, SideFile::kPreviousItems, L"new", &journal), S_OK);
  EXPECT_EQ(ReadText(UserFolder() + L"1.2.3.ina"), L"after");
  ASSERT_EQ(journal.Rollback(), S_OK);
  EXPECT_EQ(ReadText(UserFolder() + L"1.2.3.ina"), L"before");
  EXPECT_FALSE(FileExists(UserFolder() + L"1.2.3.prv"));
}

TEST_F(StoreTest, IconNamesStayUnder250Characters) {
  std::wstring path;
  ASSERT_EQ(IconFilePath(L"1.2", L"group", L"", path), S_OK);
  EXPECT_EQ(path, UserFolder() + L"1.2-group.ico");
  ASSERT_EQ(IconFilePath(L"1.2", L"group", L"item", path), S_OK);
  EXPECT_EQ(path, UserFolder() + L"1.2-group-item.ico");

  // Below 250 characters the names are limited only by the whole path;
  // from 250 on they are refused whatever the folder.
  const std::size_t room = MAX_PATH - 1 - UserFolder().size() - std::wstring_view(L"1--.ico").size();
  EXPECT_EQ(IconFilePath(L"1", std::wstring(room - 100, L'a'), std::wstring(100, L'b'), path), S_OK);
  EXPECT_EQ(path.size(), 259u);
  EXPECT_EQ(IconFilePath(L"1", std::wstring(room - 99, L'a'), std::wstring(100, L'b'), path),
            static_cast<HRESULT>(0x8007006F));
  EXPECT_EQ(IconFilePath(L"1", std::wstring(150, L'a'), std::wstring(100, L'b'), path), static_cast<HRESULT>(0x8007006F));
  EXPECT_EQ(IconFilePath(L"1", std::wstring(250, L'c'), L"", path), static_cast<HRESULT>(0x8007006F));

  // Names come from fetched files: anything that could leave the folder is refused.
  for (const wchar_t* bad : {L"", L"..\\..\\Startup\\x", L"a/b", L"c:d", L"two words"})
    EXPECT_EQ(IconFilePath(L"1.2", bad, L"", path), E_INVALIDARG) << testing::PrintToString(bad);
  EXPECT_EQ(IconFilePath(L"1.2", L"group", L"..\\x", path), E_INVALIDARG);
}

TEST_F(StoreTest, IconFilesAreStoredWholeAndJournaled) {
  const std::string icon("\0\0\1\0binary\xFF", 11);
  ASSERT_EQ(WriteIconFile(L"1.2", L"group", L"", icon, nullptr), S_OK);
  EXPECT_EQ(ReadFileBytes(UserFolder() + L"1.2-group.ico"), icon);

  CJournal journal;
  ASSERT_EQ(journal.Create(), S_OK);
  ASSERT_EQ(WriteIconFile(L"1.2", L"group", L"", "new", &journal), S_OK);
  ASSERT_EQ(WriteIconFile(L"1.2", L"group", L"item", "item", &journal), S_OK);
  EXPECT_EQ(WriteIconFile(L"1.2", std::wstring(250, L'x'), L"", "x", &journal), static_cast<HRESULT>(0x8007006F));
  ASSERT_EQ(journal.Rollback(), S_OK);
  EXPECT_EQ(ReadFileBytes(UserFolder() + L"1.2-group.ico"), icon);
  EXPECT_FALSE(FileExists(UserFolder() + L"1.2-group-item.ico"));
}

TEST_F(StoreTest, ErrorFileWrittenOnFailureDeletedOnSuccess) {
  const std::wstring file = m_temp.File(L"a b.wx-cnf");
  ASSERT_EQ(RecordOutcome(L"1.2.3", {static_cast<HRESULT>(0x8007000D), file, 7, 0}, nullptr), S_OK);
  const std::wstring path = UserFolder() + L"1.2.3-error.ini";
  EXPECT_EQ(ReadFileBytes(path).substr(0, 2), "\xFF\xFE");
  EXPECT_EQ(ReadText(path), L"\r\n[Error]\r\nError = 0x8007000d\r\nFile = \"" + file + L"\"\r\nLine = 7\r\n");
  ASSERT_EQ(RecordOutcome(L"1.2.3", {S_OK, L"", 0, 0}, nullptr), S_OK);
  EXPECT_FALSE(FileExists(path));
  EXPECT_EQ(RecordOutcome(L"1.2.3", {S_FALSE, L"", 0, 0}, nullptr), S_OK);
  EXPECT_EQ(RecordOutcome(L"", {E_FAIL, L"", 0, 0}, nullptr), E_INVALIDARG);
}

TEST_F(StoreTest, UserCountersDeleteTheirFileAtZero) {
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

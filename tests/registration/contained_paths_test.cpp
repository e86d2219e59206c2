// Paths and IDs that come from files other users or programs may have
// written: the full-path check itself, list sections whose names are no
// publisher IDs, and list files planted with paths outside the store, which
// must not make a check write there.
#include "../update/check_fixture.h"  // winsock2.h before windows.h

#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>
#include <string>
#include <vector>

#include "../support/registry_sandbox.h"
#include "platform/path_containment.h"
#include "registration/store_folders.h"

namespace wendrix::test {
namespace {

TEST(ResolveInsideFolderTest, OnlyPathsBelowTheFolder) {
  TempFolder temp;
  const std::wstring folder = temp.File(L"store");
  const std::wstring other = std::wstring(towupper(folder[0]) == L'C' ? L"D" : L"C") + folder.substr(1);
  const struct {
    std::wstring path;
    std::wstring resolved;  // empty: refused
  } kCases[] = {
      {L"x.ini", folder + L"\\x.ini"},
      {L"sub\\x.ini", folder + L"\\sub\\x.ini"},
      {L"sub/x.ini", folder + L"\\sub\\x.ini"},
      {L"a\\\\b.ini", folder + L"\\a\\b.ini"},
      {L"x.ini.", folder + L"\\x.ini"},
      {folder + L"\\x.ini", folder + L"\\x.ini"},
      {folder + L"\\sub\\..x", folder + L"\\sub\\..x"},
      {L"..\\x.ini", L""},
      {temp.File(L"x.ini"), L""},
      {temp.File(L"store-old\\x.ini"), L""},  // shares the folder's name as a prefix
      {folder, L""},
      {folder + L"\\", L""},
      {other + L"\\x.ini", L""},
      {L"\\\\server\\share\\x.ini", L""},
      {L"\\\\?\\" + folder + L"\\x.ini", L""},
      {L"\\x.ini", L""},
      {folder.substr(0, 2) + L"x.ini", L""},
      {L"x.ini:stream", L""},
      {L"NUL", L""},
      {L"a*.ini", L""},
      {L"", L""},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(testing::PrintToString(c.path));
    std::wstring resolved = L"untouched";
    const HRESULT hr = ResolveInsideFolder(folder, c.path, resolved);
    if (c.resolved.empty()) {
      EXPECT_EQ(hr, kPathNotInsideFolder);
      EXPECT_EQ(resolved, L"untouched");
    } else {
      EXPECT_EQ(hr, S_OK);
      EXPECT_EQ(resolved, c.resolved);
    }
  }
  std::wstring resolved;
  EXPECT_EQ(ResolveInsideFolder(folder + L"\\", L"x.ini", resolved), S_OK) << "a folder with a trailing separator";
  EXPECT_EQ(resolved, folder + L"\\x.ini");
  std::wstring upper = folder;
  std::transform(upper.begin(), upper.end(), upper.begin(), towupper);
  EXPECT_EQ(ResolveInsideFolder(folder, upper + L"\\x.ini", resolved), S_OK) << "file names ignore case";
  EXPECT_EQ(ResolveInsideFolder(folder, std::wstring(MAX_PATH - folder.size(), L'a'), resolved),
            static_cast<HRESULT>(0x8007006F));
  EXPECT_EQ(ResolveInsideFolder(L"", L"x.ini", resolved), E_INVALIDARG);
}

class ContainedPathsTest : public CheckFixture {
 protected:
  // A file of this user outside the store, which nothing may change.
  std::wstring Victim(const std::wstring& path) {
    SHCreateDirectoryExW(nullptr, path.substr(0, path.rfind(L'\\')).c_str(), nullptr);
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    ::WriteFile(file, "victim", 6, &written, nullptr);
    CloseHandle(file);
    m_victims.push_back(path);
    return path;
  }
  void ExpectVictimsUntouched() {
    for (const std::wstring& v : m_victims) EXPECT_EQ(ReadFileBytes(v), "victim") << v;
  }
  std::vector<std::wstring> m_victims;
};

// A check writes the publisher's files, an unregistration deletes them.
TEST_F(ContainedPathsTest, PlantedListPathsMakeNoCheckOrUnregistrationTouchFilesElsewhere) {
  Register(L"1.1");
  // Any user can write the all-users list; its section adds to this user's
  // registration the paths it does not give itself.
  const std::wstring victim = Victim(m_temp.File(L"elsewhere\\victim.ini"));
  Victim(m_user + L"\\Kestmoor\\victim.prv");  // ..\..\ from the user's folder
  const std::wstring inactive = Victim(m_temp.File(L"elsewhere\\victim.ina"));
  WriteFile(CommonFolder(), kAllUsersListFile,
            L"[1.1]\r\nDataFile = " + victim + L"\r\nPreviousItemsFile = ..\\..\\victim.prv\r\n"
            L"InactiveItemsFile = \\\\?\\" + inactive + L"\r\n");
  Serve(L"1.1", MakeReply(200, "OK", DataFile(L"1.1", "2.0")));
  ASSERT_EQ(Check(), kCheckAllSucceeded);
  ASSERT_EQ(Check(), kCheckAllSucceeded) << "the second check writes the previous items";
  ExpectVictimsUntouched();
  EXPECT_NE(ReadText(UserFolder() + L"1.1.ini").find(L"ID = 1.1"), std::wstring::npos) << "the publisher's own file";
  EXPECT_TRUE(FileExists(UserFolder() + L"1.1.prv"));

  CPublisherStore store;
  ASSERT_EQ(store.Open(false, nullptr), S_OK);
  ASSERT_EQ(Unregister(*store.Find(L"1.1"), kRegisterCurrentUser, nullptr), S_OK);
  ExpectVictimsUntouched();
  for (const wchar_t* own : {L"1.1.ini", L"1.1.prv"})
    EXPECT_FALSE(FileExists(UserFolder() + own)) << "the publisher's own files go";
}

TEST_F(ContainedPathsTest, ListedPathsInsideTheStoreAreKept) {
  WriteFile(UserFolder(), kCurrentUserListFile,
            L"[1.1]\r\nName = A\r\nDataFile = own\\1.1.ini\r\nPreviousItemsFile = " + UserFolder() +
                L"1.1-previous.prv\r\nApplicationIcon = " + UserFolder() + L"1.1.ico\r\n"
                L"[2.2]\r\nName = B\r\nApplicationIcon = C:\\acme.ico\r\nInactiveItemsFile = ..\\2.2.ina\r\n");
  CPublisherStore store;
  ASSERT_EQ(store.Open(false, nullptr), S_OK);
  const PublisherRecord& kept = *store.Find(L"1.1");
  std::wstring path;
  ASSERT_EQ(SideFilePath(kept, SideFile::kData, path), S_OK);
  EXPECT_EQ(path, UserFolder() + L"own\\1.1.ini");
  ASSERT_EQ(SideFilePath(kept, SideFile::kPreviousItems, path), S_OK);
  EXPECT_EQ(path, UserFolder() + L"1.1-previous.prv");
  EXPECT_EQ(kept.applicationIcon, UserFolder() + L"1.1.ico");

  const PublisherRecord& forgotten = *store.Find(L"2.2");
  EXPECT_EQ(forgotten.applicationIcon, L"") << "an icon outside the scope's folder";
  EXPECT_FALSE(forgotten.Has(kKeyApplicationIcon));
  EXPECT_FALSE(forgotten.Has(kKeyInactiveItemsFile));
  ASSERT_EQ(SideFilePath(forgotten, SideFile::kInactiveItems, path), S_OK);
  EXPECT_EQ(path, UserFolder() + L"2.2.ina");

  // A record made in memory is held to the same rule where the path is used.
  PublisherRecord made;
  made.id = L"3.3";
  made.dataFile = m_temp.File(L"elsewhere.ini");
  ASSERT_EQ(SideFilePath(made, SideFile::kData, path), S_OK);
  EXPECT_EQ(path, UserFolder() + L"3.3.ini");
  made.id = L"..";
  EXPECT_EQ(SideFilePath(made, SideFile::kData, path), E_INVALIDARG);
}

TEST_F(ContainedPathsTest, SectionsThatAreNoIdsArePassedOverAndOlderRegistryListsReadForBothScopes) {
  WriteFile(UserFolder(), kCurrentUserListFile,
            L"[CON]\r\nName = Device\r\n[a..b]\r\nName = Dots\r\n[.hidden]\r\nName = Hidden\r\n[1.2.]\r\nName = End\r\n"
            L"[" + std::wstring(65, L'1') + L"]\r\nName = Long\r\n[1.1]\r\nName = Kept\r\n");
  // The older product's registry lists have no file-name syntax at all; they
  // are read for both scopes though the older product left no folder here.
  const std::wstring older = L"SOFTWARE\\Kestmoor\\Pellister\\3.0\\Publishers\\";
  for (const wchar_t* name : {L"..", L"x:y", L"nul", L"a b", L"2.2"})
    SetStringValue(HKEY_CURRENT_USER, older + name, L"Name", L"User", KEY_WOW64_32KEY);
  SetStringValue(HKEY_LOCAL_MACHINE, older + L"2.3", L"Name", L"Machine", KEY_WOW64_32KEY);
  ASSERT_FALSE(FileExists(OlderUserFolder()));
  CPublisherStore store;
  ASSERT_EQ(store.Open(true, nullptr), S_OK);
  std::vector<std::wstring> ids;
  for (const PublisherRecord& r : store.Records()) ids.push_back(r.id);
  std::sort(ids.begin(), ids.end());
  ASSERT_EQ(ids, (std::vector<std::wstring>{L"1.1", SelfPublisher().id, L"2.2", L"2.3"}))
      << "and the library's own publisher";
  EXPECT_EQ(store.Find(L"2.2")->name + L", " + store.Find(L"2.3")->name, L"User, Machine");

  // A registration rewrites the list with what it read.
  Register(L"3.3");
  const std::wstring list = ReadText(UserFolder() + kCurrentUserListFile);
  EXPECT_NE(list.find(L"[1.1]"), std::wstring::npos) << list;
  EXPECT_EQ(list.find(L"[CON]"), std::wstring::npos) << list;
  EXPECT_EQ(list.find(L"Dots"), std::wstring::npos) << list;
}

TEST_F(ContainedPathsTest, UnsafeIdsNameNoFiles) {
  DeleteTree(m_user + L"\\Kestmoor");  // the fixture's list: nothing at all is to be written here
  for (const wchar_t* id : {L"..", L"CON", L"a\\b", L"1.2.", L""}) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(id)));
    std::wstring path = L"untouched";
    EXPECT_EQ(ErrorFilePath(id, path), E_INVALIDARG);
    EXPECT_EQ(IconFilePath(id, L"logo", L"", path), E_INVALIDARG);
    EXPECT_EQ(path, L"untouched");
    Registration r;
    r.id = id;
    r.name = L"N";
    EXPECT_EQ(RegisterInScope(r, kScopeCurrentUser, nullptr), E_INVALIDARG);
    EXPECT_EQ(UnregisterFromScope(id, kScopeCurrentUser, nullptr), E_INVALIDARG);
    PublisherRecord record;
    record.id = id;
    EXPECT_EQ(Unregister(record, kRegisterCurrentUser, nullptr), E_INVALIDARG);
  }
  std::wstring path;
  EXPECT_EQ(IconFilePath(L"1.1", L"a*b", L"", path), kPathNotInsideFolder);
  ASSERT_EQ(IconFilePath(L"1.1", L"logo", L"2", path), S_OK);
  EXPECT_EQ(path, UserFolder() + L"1.1-logo-2.ico");
  EXPECT_FALSE(FileExists(UserFolder())) << "nothing was written";
}

}  // namespace
}  // namespace wendrix::test

// The store's shared files stay what they were written as: values that come
// from a publisher never turn into keys of their own, and a process reading
// the lists while others save them always finds whole, parsable files.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "../support/child_process.h"
#include "../support/shell_folder_redirect.h"
#include "sample_registration.h"
#include "../support/temp_folder.h"
#include "core/ini_data_buffer.h"
#include "platform/ini_file.h"
#include "registration/data_file_registration.h"
#include "registration/error_file.h"
#include "registration/product_data_file.h"
#include "registration/product_identity.h"
#include "registration/publisher_store.h"
#include "registration/registration.h"
#include "registration/side_files.h"
#include "registration/store_folders.h"

namespace wendrix::test {
namespace {

constexpr wchar_t kCaller[] = L"Acme Editor Setup";
// What a publisher would like to add to the user's list.
constexpr wchar_t kInjected[] = L"\r\nDataFile = C:\\evil\\data.ini\r\n[9.9]\r\nEnabled = 1";

// The entries of a list file, as the store reads them.
std::vector<std::wstring> Keys(const std::wstring& path) {
  CIniDataBuffer data;
  EXPECT_EQ(LoadIniFile(path.c_str(), data, ListFileSchema(), nullptr), S_OK);
  std::vector<std::wstring> keys;
  for (IniEntry e : data.Entries()) keys.push_back(e.Kind() == kIniSection ? L"[" + std::wstring(e.NameView()) + L"]" : std::wstring(e.NameView()));
  return keys;
}

class ListIntegrityTest : public ShellFolderTest {
 protected:
  std::wstring UserList() const { return UserFolder() + kCurrentUserListFile; }
};

// A data file may carry a quoted raw value over several lines; registering
// it copies the value into the list file and the product's file, where it
// must stay one value.
TEST_F(ListIntegrityTest, RegisteredValuesCannotAddKeysToTheLists) {
  const std::wstring source = std::wstring(L"http://update.p5.example/p.wx-cnf") + kInjected;
  const std::wstring home = std::wstring(L"http://www.p5.example/") + kInjected;
  const std::wstring name = L"Five\r\nDataFile = C:/evil/data.ini\r\n[9.9]";
  const std::wstring text = L"[Wendrix]\r\nRequiredVersion = 0\r\n[Publisher]\r\nID = 5.5\r\nName = \"" + name +
                            L"\"\r\nHomePage = \"" + home + L"\"\r\nDataSource = \"" + source +
                            L"\"\r\nApplication = \"Kestmoor(R) Wendrix(TM)\"\r\nVersion = 1.0\r\n";
  const std::wstring dataFile = m_temp.File(L"five.wx-cnf");
  ASSERT_EQ(WriteUnicodeTextFile(dataFile.c_str(), text), S_OK);
  PublisherFile file;
  std::uint32_t location = 0;
  ASSERT_EQ(ReadPublisherFile(dataFile.c_str(), file, location), S_OK) << location << " line " << file.errorLine;
  ASSERT_EQ(file.publisher.dataSource, source) << "the loader keeps the lines of a quoted raw value";

  ASSERT_EQ(RegisterPublisherFile(file, kCaller, kScopeCurrentUser, nullptr, location), S_OK) << location;
  const std::vector<std::wstring> keys = Keys(UserList());
  EXPECT_EQ(std::count(keys.begin(), keys.end(), L"[5.5]"), 1);
  EXPECT_EQ(std::count(keys.begin(), keys.end(), L"DataFile"), 0);
  EXPECT_EQ(std::count(keys.begin(), keys.end(), L"[9.9]"), 0);

  CPublisherStore store;
  ASSERT_EQ(store.Open(false, nullptr), S_OK);
  ASSERT_EQ(store.Records().size(), 2u) << "5.5 and the library's own publisher";
  const PublisherRecord& r = store.Records()[0];
  EXPECT_EQ(r.dataSource, source);
  EXPECT_EQ(r.homePage, home);
  EXPECT_EQ(r.name, name);
  EXPECT_TRUE(r.dataFile.empty()) << testing::PrintToString(r.dataFile);

  ProductIdentity product;
  ASSERT_EQ(IdentifyCaller(kCaller, product), S_OK);
  std::wstring productPath;
  ASSERT_EQ(ProductDataPath(product, kScopeCurrentUser, productPath), S_OK);
  ProductData productData;
  ASSERT_EQ(ReadProductDataFile(productPath, productData), S_OK);
  ASSERT_EQ(productData.publishers.size(), 1u);
  EXPECT_EQ(productData.publishers[0].dataSource, source);
  EXPECT_EQ(productData.publishers[0].homePage, home);
}

// A value that no form of the file can carry (a raw value that needs quotes
// and holds one) is refused before anything is written.
TEST_F(ListIntegrityTest, UnwritableValuesLeaveTheListAsItWas) {
  ASSERT_EQ(RegisterInScope(MakeRegistration(L"1.1"), kScopeCurrentUser, nullptr), S_OK);
  const std::string before = ReadFileBytes(UserList());
  for (const std::wstring& source : {L"http://x/\"" + std::wstring(kInjected), std::wstring(L"\"http://x/\" y")}) {
    SCOPED_TRACE(testing::PrintToString(source));
    Registration r = MakeRegistration(L"2.2");
    r.dataSource = source;
    EXPECT_EQ(RegisterInScope(r, kScopeCurrentUser, nullptr), kIniUnwritable);
    EXPECT_EQ(ReadFileBytes(UserList()), before);
  }
  EXPECT_EQ(SnapshotTree(UserFolder()).size(), 1u) << "no file left beside the list";
}

// The error file names the file involved where the syntax can carry it, and
// keeps the error whatever that name holds.
TEST_F(ListIntegrityTest, ErrorFilesKeepTheErrorWhateverTheFileName) {
  const struct {
    std::wstring file, kept;
  } cases[] = {
      {L"C:\\data\\a b.ini", L"C:\\data\\a b.ini"},
      {L"http://x/p" + std::wstring(kInjected), L"http://x/p" + std::wstring(kInjected)},
      {L"http://x/a\"b", L"http://x/a\"b"},
      {L"http://x/a\"b" + std::wstring(kInjected), L""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.file));
    ASSERT_EQ(WriteErrorFile(L"6.6", ErrorReport{kInvalidData, c.file, 7, 0}, nullptr), S_OK);
    std::wstring path;
    ASSERT_EQ(ErrorFilePath(L"6.6", path), S_OK);
    CIniDataBuffer data;
    ASSERT_EQ(LoadIniFile(path.c_str(), data, ErrorFileSchema(), nullptr), S_OK);
    EXPECT_EQ(data.EntryCount(), c.kept.empty() ? 3u : 4u) << "[Error], Error, File and Line only";
    ErrorReport back;
    std::wstring file;
    ASSERT_TRUE(ReadErrorFile(data, back, file));
    EXPECT_EQ(back.result, kInvalidData);
    EXPECT_EQ(back.line, 7u);
    EXPECT_EQ(file, c.kept);
  }
}

// A child process: ROUNDS times, registers PREFIX.round in the user's list
// and unregisters the round before, so that the list keeps changing size.
WENDRIX_CHILD_ROLE(save_rounds) {
  if (args.size() != 2) return 90;
  const int rounds = _wtoi(args[1].c_str());
  for (int round = 0; round < rounds; ++round) {
    if (RegisterInScope(MakeRegistration(args[0] + L"." + std::to_wstring(round)), kScopeCurrentUser, nullptr) != S_OK)
      return 91;
    if (round && UnregisterFromScope(args[0] + L"." + std::to_wstring(round - 1), kScopeCurrentUser, nullptr) != S_OK)
      return 92;
  }
  return 0;
}

// Two processes save the list over and over while this one opens the store:
// every open finds a whole list with every publisher that stays registered.
TEST_F(ListIntegrityTest, ReadersNeverSeePartOfAList) {
  constexpr int kStaying = 40, kRounds = 30;
  for (int i = 0; i < kStaying; ++i)
    ASSERT_EQ(RegisterInScope(MakeRegistration(L"3." + std::to_wstring(i)), kScopeCurrentUser, nullptr), S_OK);
  ChildProcess children[2];
  ASSERT_TRUE(children[0].Start(L"save_rounds", {L"4.1", std::to_wstring(kRounds)}));
  ASSERT_TRUE(children[1].Start(L"save_rounds", {L"4.2", std::to_wstring(kRounds)}));
  int opens = 0;
  for (bool running = true; running; ++opens) {
    running = children[0].Wait(0) == -1 || children[1].Wait(0) == -1;
    CPublisherStore store;
    ASSERT_EQ(store.Open(false, nullptr), S_OK) << "open " << opens;
    for (int i = 0; i < kStaying; ++i) {
      const PublisherRecord* r = store.Find(L"3." + std::to_wstring(i));
      ASSERT_NE(r, nullptr) << "open " << opens << " lost 3." << i;
      ASSERT_EQ(r->dataSource, MakeRegistration(r->id).dataSource);
    }
  }
  EXPECT_EQ(children[0].Wait(), 0);
  EXPECT_EQ(children[1].Wait(), 0);

  CPublisherStore store;
  ASSERT_EQ(store.Open(false, nullptr), S_OK);
  EXPECT_EQ(store.Records().size(), static_cast<std::size_t>(kStaying + 3)) << "and the library's own publisher";
  EXPECT_NE(store.Find(L"4.1." + std::to_wstring(kRounds - 1)), nullptr);
  EXPECT_NE(store.Find(L"4.2." + std::to_wstring(kRounds - 1)), nullptr);
  for (const auto& [name, bytes] : SnapshotTree(UserFolder()))
    EXPECT_FALSE(name.ends_with(L".tmp")) << "left behind: " << testing::PrintToString(name);
}

}  // namespace
}  // namespace wendrix::test

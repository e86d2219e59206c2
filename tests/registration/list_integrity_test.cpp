// The store's shared files stay what they were written as: values that come
// from a publisher never turn into keys of their own.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "../support/shell_folder_redirect.h"
#include "sample_registration.h"
#include "../support/temp_folder.h"
#include "core/ini_data_buffer.h"
#include "platform/ini_file.h"
#include "registration/data_file_registration.h"
#include "registration/product_data_file.h"
#include "registration/product_identity.h"
#include "registration/publisher_store.h"
#include "registration/registration.h"
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

}  // namespace
}  // namespace wendrix::test

// The information export: publishers, groups and items as records in the
// caller's list, a data file's identity, and switching a publisher off.
#include <string>

#include "../support/temp_folder.h"
#include "api/info_enumeration.h"
#include "api_fixture.h"
#include "core/ini_file.h"
#include "registration/store_folders.h"

namespace wendrix::test {
namespace {

constexpr HRESULT kNotFound = static_cast<HRESULT>(0x80070490);

class InfoTest : public ApiTest {
 protected:
  void TearDown() override {
    if (Info) Info(1, m_query, nullptr, nullptr, 0, &m_list);
    ApiTest::TearDown();
  }

  // Runs a get into the fixture's list (freed first) and describes the
  // records: "id=title" or "id=name,homePage,disabled", separated by "; ".
  std::wstring Get(UINT32 query, const wchar_t* publisher, const wchar_t* group = nullptr) {
    EXPECT_EQ(Info(1, m_query, nullptr, nullptr, 0, &m_list), S_OK);
    EXPECT_EQ(m_list.Count(), 0u);
    m_query = query;
    const HRESULT hr = Info(0, query, publisher, group, 0, &m_list);
    if (FAILED(hr)) {
      EXPECT_EQ(m_list.Count(), 0u) << "a failure appends nothing";
      return L"failed " + std::to_wstring(static_cast<unsigned>(hr));
    }
    std::wstring text;
    for (void* p : m_list) {
      if (!text.empty()) text += L"; ";
      if (query == 10) {
        auto* r = static_cast<WENDRIX_PUBLISHER_INFO*>(p);
        text += std::wstring(r->id) + L"=" + r->name + L"," + r->homePage + L"," + std::to_wstring(r->disabled);
      } else if (query == 11) {
        auto* r = static_cast<WENDRIX_GROUP_INFO*>(p);
        text += std::wstring(r->id) + L"=" + r->title;
      } else {
        auto* r = static_cast<WENDRIX_ITEM_INFO*>(p);
        text += std::wstring(r->id) + L"=" + r->title + L"," + std::to_wstring(r->status);
      }
    }
    return text;
  }
  static std::wstring Failed(HRESULT hr) { return L"failed " + std::to_wstring(static_cast<unsigned>(hr)); }

  InfoList m_list;
  UINT32 m_query = 10;
};

TEST_F(InfoTest, ArgumentsAndOperations) {
  UINT32 on = 1;
  EXPECT_EQ(Info(2, 10, nullptr, nullptr, 0, &m_list), E_INVALIDARG);
  EXPECT_EQ(Info(0, 9, nullptr, nullptr, 0, &m_list), E_INVALIDARG);
  EXPECT_EQ(Info(0, 16, nullptr, nullptr, 0, &m_list), E_INVALIDARG);
  EXPECT_EQ(Info(0, 10, nullptr, nullptr, 0, nullptr), E_POINTER);
  EXPECT_EQ(Info(0, 11, nullptr, nullptr, 0, &m_list), E_POINTER);
  EXPECT_EQ(Info(0, 15, nullptr, nullptr, 0, &on), E_POINTER);
  EXPECT_EQ(Info(1, 10, nullptr, nullptr, 0, nullptr), E_POINTER);
  for (UINT32 query : {14u, 15u, 16u, 99u}) EXPECT_EQ(Info(1, query, nullptr, nullptr, 0, nullptr), S_OK) << query;
}

TEST_F(InfoTest, PublishersInStoreOrderWithoutHiddenOnesAndTheDirectory) {
  RegisterAcme();
  Register(L"1.3.6.1.4.1.61717.3", L"Directory", L"http://kestmoor.example/directory/", L"", nullptr);
  Register(L"7.7", L"Hidden", L"http://hidden.example/", L"",
           L"[Publisher]\r\nID = 7.7\r\nName = Hidden\r\nHomePage = http://hidden.example/\r\n"
           L"DataSource = http://hidden.example/data.wx-cnf\r\n"
           L"Application = \"Kestmoor(R) Wendrix(TM)\"\r\n[FreeUpdates]\r\nID = f\r\nType = Hide\r\n");
  Register(L"4.5.6", L"Beta", L"http://beta.example/", L"", nullptr, kScopeAllUsers);
  EXPECT_EQ(Get(10, nullptr), L"1.2.3=Acme,http://acme.example/,0; 4.5.6=Beta,http://beta.example/,0");

  // Switching off writes Enabled to the list that holds the publisher.
  UINT32 off = 0;
  EXPECT_EQ(Info(0, 15, L"Beta", nullptr, 0, &off), S_OK);
  EXPECT_EQ(Info(0, 15, L"acme", nullptr, 0, &off), S_OK);
  EXPECT_EQ(Get(10, nullptr), L"1.2.3=Acme,http://acme.example/,1; 4.5.6=Beta,http://beta.example/,1");
  std::wstring list;
  ASSERT_EQ(ReadTextFile((UserFolder() + kCurrentUserListFile).c_str(), list), S_OK);
  EXPECT_NE(list.find(L"[1.2.3]\r\n"), std::wstring::npos);
  EXPECT_NE(list.find(L"Enabled = 0\r\n"), std::wstring::npos);
  UINT32 on = 7;
  EXPECT_EQ(Info(0, 15, L"1.2.3", nullptr, 0, &on), S_OK);
  EXPECT_EQ(Get(10, nullptr), L"1.2.3=Acme,http://acme.example/,0; 4.5.6=Beta,http://beta.example/,1");
  ASSERT_EQ(ReadTextFile((UserFolder() + kCurrentUserListFile).c_str(), list), S_OK);
  EXPECT_NE(list.find(L"Enabled = 1\r\n"), std::wstring::npos);
  EXPECT_EQ(Info(0, 15, L"unknown", nullptr, 0, &on), kNotFound);
}

TEST_F(InfoTest, GroupsAndItems) {
  RegisterAcme();
  Register(L"4.5.6", L"Beta", L"http://beta.example/", L"", nullptr);
  EXPECT_EQ(Get(11, L"1.2.3"), L"tools=Tools");
  EXPECT_EQ(Get(11, L"Acme"), L"tools=Tools");
  EXPECT_EQ(Get(12, L"1.2.3"), L"viewer=Viewer,0");
  EXPECT_EQ(Get(12, L"1.2.3", L""), L"viewer=Viewer,0");
  EXPECT_EQ(Get(12, L"1.2.3", L"TOOLS"), L"editor=Editor,0; plugin=Plug-in,0");
  EXPECT_EQ(Get(13, L"1.2.3", L"tools"), L"editor=Editor,0; plugin=Plug-in,0; viewer=Viewer,0");
  EXPECT_EQ(Get(12, L"1.2.3", L"missing"), Failed(kNotFound));
  EXPECT_EQ(Get(11, L"unknown"), Failed(kNotFound));
  EXPECT_EQ(Get(13, L"unknown"), Failed(kNotFound));
  EXPECT_EQ(Get(13, L"4.5.6"), L"") << "registered, never checked";
}

TEST_F(InfoTest, DataFileIdentity) {
  const std::wstring path = m_temp.File(L"acme.wx-cnf");
  WriteFile(m_temp.Path() + L"\\", L"acme.wx-cnf", kAcmeData);
  WENDRIX_DATA_FILE_INFO record{};
  ASSERT_EQ(Info(0, 14, path.c_str(), nullptr, 0, &record), S_OK);
  ASSERT_NE(record.id, nullptr);
  EXPECT_STREQ(record.id, L"1.2.3");
  EXPECT_STREQ(record.name, L"Acme");
  EXPECT_STREQ(record.homePage, L"http://acme.example/");
  for (WCHAR* text : {record.id, record.name, record.homePage}) GlobalFree(text);

  WENDRIX_DATA_FILE_INFO untouched{};
  EXPECT_EQ(Info(0, 14, m_temp.File(L"missing.wx-cnf").c_str(), nullptr, 0, &untouched),
            HResultFromWin32(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(untouched.id, nullptr);
  EXPECT_EQ(Info(0, 14, path.c_str(), nullptr, 0, nullptr), E_POINTER);
}

}  // namespace
}  // namespace wendrix::test

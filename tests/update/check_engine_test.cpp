// The check engine against a real HTTP server and a real store: results and
// run flags, per-publisher state, error files, new items across checks,
// publishers that move, and the last good data when every fetch fails.
#include "../support/http_server.h"  // winsock2.h before windows.h
#include "update/check_engine.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "../support/shell_folder_redirect.h"
#include "core/ini_file.h"
#include "frame/module_state.h"
#include "publisher/vocabulary.h"
#include "registration/publisher_store.h"
#include "registration/registration.h"
#include "registration/side_files.h"
#include "update/check_clients.h"
#include "update/settings.h"
#include "update/transfer.h"

namespace wendrix::test {
namespace {

std::string Utf8(const std::wstring& text) { return std::string(text.begin(), text.end()); }

class CheckEngineTest : public ShellFolderTest {
 protected:
  void SetUp() override {
    ShellFolderTest::SetUp();
    ASSERT_TRUE(m_server.Start());
    m_library = LoadLibraryW(sizeof(void*) == 8 ? L"wendrix64.dll" : L"wendrix.dll");
    ASSERT_NE(m_library, nullptr);
    ASSERT_TRUE(InitializeModuleState(m_library));
    m_settings.proxyMode = kProxyDirect;
    m_settings.checkAttempts = 1;
    m_settings.hangUp = 0;
  }
  void TearDown() override {
    m_server.Stop();
    if (m_library) FreeLibrary(m_library);
    ShellFolderTest::TearDown();
  }

  // Registers publisher `id` for the user with its data file at /<id>.
  void Register(const std::wstring& id) {
    Registration r;
    r.id = id;
    r.name = L"Publisher " + id;
    r.homePage = L"http://p" + id + L".example/";
    r.dataSource = m_server.Url("/" + Utf8(id));
    ASSERT_EQ(RegisterInScope(r, kScopeCurrentUser, nullptr), S_OK);
  }
  // A data file of publisher `id` with one item "editor" at `version`.
  std::string DataFile(const std::wstring& id, const std::string& version, const std::string& extra = "") {
    return "[Publisher]\r\nID = " + Utf8(id) + "\r\nName = Publisher " + Utf8(id) + "\r\nHomePage = http://p" +
           Utf8(id) + ".example/\r\nApplication = \"Kestmoor(R) Wendrix(TM)\"\r\n[Text]\r\nID = t\r\nText = en, Editor\r\n"
           "[Item]\r\nID = editor\r\nTitle = t\r\nType = Software\r\nAction = get\r\n[Action]\r\nID = get\r\n"
           "Type = Download\r\nSubtype = Generic\r\nVersion = " + version + "\r\nURL = http://x.example/e.exe\r\n" + extra;
  }
  void Serve(const std::wstring& id, HttpReply reply) { m_server.On("/" + Utf8(id), std::move(reply)); }

  HRESULT Check(std::uint32_t options = 0, const wchar_t* filter = nullptr) {
    m_store = CPublisherStore();
    EXPECT_EQ(m_store.Open(false, nullptr), S_OK);
    LoadStoredData(m_store, filter);
    return RunCheck(m_transfer, &m_client, &m_settings, &m_store, filter, options, &m_flags);
  }
  PublisherRecord& Record(const std::wstring& id) {
    PublisherRecord* r = m_store.Find(id);
    EXPECT_NE(r, nullptr) << id;
    return *r;
  }
  bool EditorIsNew(const std::wstring& id) {
    PublisherRecord& r = Record(id);
    return r.model && !r.model->items.empty() && (r.model->items[0].flags & kItemNew) != 0;
  }
  std::wstring ErrorFile(const std::wstring& id) {
    std::wstring path, text;
    ErrorFilePath(id, path);
    return SUCCEEDED(ReadTextFile(path.c_str(), text)) ? text : L"<none>";
  }

  TestHttpServer m_server;
  HMODULE m_library = nullptr;
  InternetSettings m_settings;
  CTransfer m_transfer;
  CCheckClient m_client;
  CPublisherStore m_store;
  std::uint32_t m_flags = 0;
};

TEST_F(CheckEngineTest, NothingRegistered) {
  EXPECT_EQ(Check(kRunScheduled), kCheckNothingEligible);
  ASSERT_EQ(LoadLastCheck(m_settings), S_OK);
  EXPECT_EQ(m_settings.lastCheckResult, 0u);
  EXPECT_NE(m_settings.lastCheck, 0u);
  EXPECT_TRUE(m_server.Requests().empty());
}

TEST_F(CheckEngineTest, OneOfTwoFailing) {
  Register(L"1.1");
  Register(L"2.2");
  Serve(L"1.1", MakeReply(200, "OK", DataFile(L"1.1", "2.0")));  // 2.2 is not served: 404
  EXPECT_EQ(Check(kRunScheduled), kCheckPartial);
  EXPECT_EQ(m_flags, kRunFlagScheduled | kRunFlagPartial);
  EXPECT_EQ(Record(L"1.1").failedLastCheck, 0);
  EXPECT_NE(Record(L"1.1").succeeded, 0u);
  EXPECT_EQ(Record(L"2.2").failedLastCheck, 1);
  EXPECT_NE(Record(L"2.2").lastCheckError, 0u);
  EXPECT_NE(ErrorFile(L"2.2").find(L"File = \"" + m_server.Url("/2.2") + L"\""), std::wstring::npos) << ErrorFile(L"2.2");
  EXPECT_EQ(ErrorFile(L"1.1"), L"<none>");
  ASSERT_EQ(LoadLastCheck(m_settings), S_OK);
  EXPECT_EQ(m_settings.lastCheckResult, 1u);

  // The state went to the list: a new store sees it.
  CPublisherStore reopened;
  ASSERT_EQ(reopened.Open(false, nullptr), S_OK);
  EXPECT_EQ(reopened.Find(L"2.2")->failedLastCheck, 1);
  EXPECT_NE(reopened.Find(L"1.1")->attempted, 0u);
}

TEST_F(CheckEngineTest, HtmlPageIsRefused) {
  Register(L"1.1");
  Serve(L"1.1", MakeReply(200, "OK", "\r\n  <html><body>Log in</body></html>"));
  EXPECT_EQ(Check(), static_cast<HRESULT>(0x8007000D));
  EXPECT_EQ(m_flags, kRunFlagError);
  EXPECT_NE(ErrorFile(L"1.1").find(L"Error = 0x80040205"), std::wstring::npos) << ErrorFile(L"1.1");
}

TEST_F(CheckEngineTest, NewItemsAcrossChecks) {
  Register(L"1.1");
  Serve(L"1.1", MakeReply(200, "OK", DataFile(L"1.1", "2.0")));
  ASSERT_EQ(Check(), kCheckAllSucceeded);
  EXPECT_TRUE(EditorIsNew(L"1.1")) << "first seen";
  ASSERT_EQ(Check(), kCheckAllSucceeded);
  EXPECT_FALSE(EditorIsNew(L"1.1")) << "2.0 again";
  Serve(L"1.1", MakeReply(200, "OK", DataFile(L"1.1", "2.1")));
  ASSERT_EQ(Check(), kCheckAllSucceeded);
  EXPECT_TRUE(EditorIsNew(L"1.1")) << "2.1 is new";
  ASSERT_EQ(Check(), kCheckAllSucceeded);
  EXPECT_FALSE(EditorIsNew(L"1.1")) << "2.1 again";

  // Every fetch failing: the last good data stays.
  Serve(L"1.1", MakeReply(500, "Server Error", ""));
  EXPECT_LT(Check(), 0);
  ASSERT_TRUE(Record(L"1.1").model);
  EXPECT_EQ(Record(L"1.1").model->items.size(), 1u);
  EXPECT_EQ(Record(L"1.1").model->items[0].latestVersion, L"2.1");
}

TEST_F(CheckEngineTest, MovedPublisherIsFetchedAgain) {
  Register(L"1.1");
  Serve(L"1.1", MakeReply(200, "OK", DataFile(L"1.1", "2.0", "[Redirect]\r\nDataSource = " + Utf8(m_server.Url("/moved")) + "\r\n")));
  m_server.On("/moved", MakeReply(200, "OK", DataFile(L"1.1", "2.0")));
  EXPECT_EQ(Check(), kCheckAllSucceeded);
  EXPECT_EQ(m_flags & kRunFlagRedirected, kRunFlagRedirected);
  EXPECT_EQ(m_server.CountFor("/moved"), 1u);
  CPublisherStore reopened;
  ASSERT_EQ(reopened.Open(false, nullptr), S_OK);
  EXPECT_EQ(reopened.Find(L"1.1")->dataSource, m_server.Url("/moved"));
}

TEST_F(CheckEngineTest, NewerLibraryIsNoError) {
  Register(L"1.1");
  Serve(L"1.1", MakeReply(200, "OK", "[Wendrix]\r\nRequiredVersion = 9.0\r\n" + DataFile(L"1.1", "2.0")));
  EXPECT_EQ(Check(), kCheckAllSucceeded);
  EXPECT_EQ(Record(L"1.1").failedLastCheck, 2);
  EXPECT_EQ(ErrorFile(L"1.1"), L"<none>");
}

class CancellingClient : public CClient {
 public:
  bool IsCancelled() override { return true; }
};

TEST_F(CheckEngineTest, CancelStopsBeforeFetching) {
  Register(L"1.1");
  Serve(L"1.1", MakeReply(200, "OK", DataFile(L"1.1", "2.0")));
  CancellingClient client;
  CPublisherStore store;
  ASSERT_EQ(store.Open(false, nullptr), S_OK);
  std::uint32_t flags = 0;
  EXPECT_EQ(RunCheck(m_transfer, &client, &m_settings, &store, nullptr, 0, &flags), E_ABORT);
  EXPECT_EQ(flags & kRunFlagAborted, kRunFlagAborted);
  EXPECT_EQ(m_server.CountFor("/1.1"), 0u);
  EXPECT_EQ(RunCheck(m_transfer, nullptr, &m_settings, &store, nullptr, 0), E_INVALIDARG);
}

}  // namespace
}  // namespace wendrix::test

// The check engine against a real HTTP server and a real store: results and
// run flags, per-publisher state, error files, new items across checks,
// publishers that move, and the last good data when every fetch fails.
#include "check_fixture.h"  // winsock2.h before windows.h

#include <gtest/gtest.h>

namespace wendrix::test {
namespace {

using CheckEngineTest = CheckFixture;

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

  // Every fetch failing: the last good data stays. A file the loader refuses
  // empties the model first, so it must come back from the stored file.
  Serve(L"1.1", MakeReply(200, "OK", DataFile(L"1.1", "2.2", "[Item]\r\nID = broken\r\n")));
  EXPECT_EQ(Check(), static_cast<HRESULT>(0x800400CF));
  ASSERT_TRUE(Record(L"1.1").model);
  EXPECT_EQ(Record(L"1.1").model->items.size(), 1u);
  EXPECT_EQ(Record(L"1.1").model->items[0].latestVersion, L"2.1");
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

TEST_F(CheckEngineTest, DataFilesSendingEachOtherAroundAreGivenUp) {
  Register(L"1.1");
  const auto moveTo = [&](const char* path) {
    return MakeReply(200, "OK", DataFile(L"1.1", "2.0", "[Redirect]\r\nDataSource = " + Utf8(m_server.Url(path)) + "\r\n"));
  };
  Serve(L"1.1", moveTo("/b"));
  m_server.On("/b", moveTo("/1.1"));
  EXPECT_EQ(Check(), static_cast<HRESULT>(0x80072F7C));
  EXPECT_LE(m_server.Requests().size(), 6u);
  EXPECT_EQ(Record(L"1.1").failedLastCheck, 1);
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

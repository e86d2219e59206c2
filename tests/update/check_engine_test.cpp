// The check engine against a real HTTP server and a real store: results and
// run flags, per-publisher state, error files, new items across checks,
// publishers that move, and the last good data when every fetch fails.
#include "check_fixture.h"  // winsock2.h before windows.h

#include <gtest/gtest.h>

#include <atomic>

namespace wendrix::test {
namespace {

using CheckEngineTest = CheckFixture;

TEST_F(CheckEngineTest, NothingRegistered) {
  // Not even the library itself is checked then.
  IncludeSelfPublisher(MakeReply(200, "OK", SelfDataFile("9.0")));
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
  EXPECT_EQ(ErrorFile(L"1.1"), L"<missing>");
  ASSERT_EQ(LoadLastCheck(m_settings), S_OK);
  EXPECT_EQ(m_settings.lastCheckResult, 1u);

  // The state went to the list: a new store sees it.
  CPublisherStore reopened;
  ASSERT_EQ(reopened.Open(false, nullptr), S_OK);
  EXPECT_EQ(reopened.Find(L"2.2")->failedLastCheck, 1);
  EXPECT_NE(reopened.Find(L"1.1")->attempted, 0u);
}

// The library's own publisher needs no registration: beside the registered
// publishers it is checked last, from its built-in address.
TEST_F(CheckEngineTest, TheLibraryChecksItselfLast) {
  Register(L"1.1");
  Register(L"2.2");
  IncludeSelfPublisher(MakeReply(200, "OK", SelfDataFile("9.0")));
  ServeThroughProxy(L"1.1", MakeReply(200, "OK", DataFile(L"1.1", "2.0")));
  ServeThroughProxy(L"2.2", MakeReply(200, "OK", DataFile(L"2.2", "2.0")));
  EXPECT_EQ(Check(kRunScheduled), kCheckAllSucceeded);
  const std::vector<HttpRequest> requests = m_server.Requests();
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(requests[2].target, "http://update.kestmoor.example:80/wendrix/wendrix.wx-cnf");
  PublisherRecord& self = Record(SelfPublisher().id);
  EXPECT_TRUE(IsSelfPublisher(self));
  ASSERT_TRUE(self.model && self.model->items.size() == 1);
  EXPECT_EQ(self.model->items[0].latestVersion, L"9.0");
  EXPECT_EQ(&self, &m_store.Records().back());
}

// What a check finds is the user's: it goes to the user's list, even for a
// publisher registered for all users only, whose list a user may not be
// able to write.
TEST_F(CheckEngineTest, CheckStateStaysWithTheUser) {
  Register(L"1.1", kScopeAllUsers);
  const std::wstring common = CommonFolder() + kAllUsersListFile, user = UserFolder() + kCurrentUserListFile;
  const std::string machine = ReadFileBytes(common);
  ASSERT_FALSE(machine.empty());
  Serve(L"1.1", MakeReply(200, "OK", DataFile(L"1.1", "2.0")));
  EXPECT_EQ(Check(kRunScheduled), kCheckAllSucceeded);
  EXPECT_EQ(ReadFileBytes(common), machine);
  std::wstring text;
  ASSERT_EQ(ReadTextFile(user.c_str(), text), S_OK);
  EXPECT_NE(text.find(L"[1.1]\r\nAttempted = "), std::wstring::npos) << text;
  EXPECT_NE(text.find(L"Succeeded = "), std::wstring::npos) << text;

  // The all-users list held by another process (an administrator's setup;
  // for a user without the right to write it, the same) fails no save.
  HANDLE held = CreateFileW(common.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  Serve(L"1.1", MakeReply(200, "OK", DataFile(L"1.1", "2.1")));
  EXPECT_EQ(Check(kRunScheduled), kCheckAllSucceeded);
  EXPECT_EQ(m_flags, kRunFlagScheduled) << "saved";
  EXPECT_TRUE(m_saveErrors.Texts().empty());
  CloseHandle(held);

  Serve(L"1.1", MakeReply(500, "Server Error", ""));
  EXPECT_EQ(Check(kRunScheduled), static_cast<HRESULT>(0x80072EFD));
  EXPECT_EQ(ReadFileBytes(common), machine);
  CPublisherStore reopened;
  ASSERT_EQ(reopened.Open(false, nullptr), S_OK);
  ASSERT_NE(reopened.Find(L"1.1"), nullptr);
  EXPECT_EQ(reopened.Find(L"1.1")->failedLastCheck, 1);
  EXPECT_EQ(reopened.Find(L"1.1")->lastCheckError, 0x80072EFDu);
  EXPECT_NE(reopened.Find(L"1.1")->succeeded, 0u);
  EXPECT_EQ(reopened.Find(L"1.1")->flags & kPublisherCountedCurrentUser, 0u) << "the user's section registers nothing";

  // Once the all-users registration goes, the user's state alone is no
  // publisher.
  ASSERT_EQ(UnregisterFromScope(L"1.1", kScopeAllUsers, nullptr), S_OK);
  ASSERT_EQ(reopened.Open(false, nullptr), S_OK);
  EXPECT_EQ(reopened.Find(L"1.1"), nullptr);
  EXPECT_EQ(Check(), kCheckNothingEligible);
}

// The library's own check failing is no success, though its failure is the
// run's only while data files are being debugged.
TEST_F(CheckEngineTest, FailingSelfCheckIsNoSuccess) {
  Register(L"1.1");
  IncludeSelfPublisher(MakeReply(404, "Not Found", ""));
  ServeThroughProxy(L"1.1", MakeReply(200, "OK", DataFile(L"1.1", "2.0")));
  for (std::uint32_t debug : {0u, 1u}) {
    m_settings.iniDebug = debug;
    EXPECT_EQ(Check(kRunScheduled), kCheckPartial) << debug;
    EXPECT_EQ(m_flags, kRunFlagScheduled | kRunFlagPartial) << debug;
    ASSERT_EQ(LoadLastCheck(m_settings), S_OK);
    EXPECT_EQ(m_settings.lastCheckResult, 1u) << debug;
    EXPECT_EQ(Record(SelfPublisher().id).failedLastCheck, 1) << debug;
  }
}

// A store that cannot be saved is told to the user, by a client without a
// window too.
TEST_F(CheckEngineTest, SaveFailureIsShownWithoutAWindow) {
  Register(L"1.1");
  const std::wstring user = UserFolder() + kCurrentUserListFile;
  std::atomic<HANDLE> held{INVALID_HANDLE_VALUE};
  // Taken while the check fetches, after the store was read.
  m_server.On("/1.1", [&](const HttpRequest&) {
    held = CreateFileW(user.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    return MakeReply(200, "OK", DataFile(L"1.1", "2.0"));
  });
  EXPECT_EQ(Check(), kCheckAllSucceeded);
  ASSERT_NE(held.load(), INVALID_HANDLE_VALUE);
  CloseHandle(held);
  EXPECT_EQ(m_flags, kRunFlagError);
  EXPECT_EQ(m_saveErrors.Texts(), std::vector<std::wstring>{L"Error 0x80070020."});
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

// A data file that moves its publisher onto the disk is refused: the
// publisher keeps its registered data source.
TEST_F(CheckEngineTest, MoveToALocalAddressIsRefused) {
  Register(L"1.1");
  for (const char* local : {"file:///C:/windows/win.ini", "\\\\127.0.0.1\\share\\p.wx-cnf", "C:\\p.wx-cnf"}) {
    SCOPED_TRACE(local);
    Serve(L"1.1", MakeReply(200, "OK", DataFile(L"1.1", "2.0", std::string("[Redirect]\r\nDataSource = ") + local +
                                                                  "\r\n")));
    EXPECT_EQ(Check(), static_cast<HRESULT>(0x80072EE6));
    EXPECT_EQ(m_flags & kRunFlagRedirected, 0u);
    EXPECT_EQ(Record(L"1.1").dataSource, m_server.Url("/1.1"));
    EXPECT_NE(ErrorFile(L"1.1").find(L"Error = 0x80072ee6"), std::wstring::npos) << testing::PrintToString(ErrorFile(L"1.1"));
    CPublisherStore reopened;
    ASSERT_EQ(reopened.Open(false, nullptr), S_OK);
    EXPECT_EQ(reopened.Find(L"1.1")->dataSource, m_server.Url("/1.1"));
  }
}

std::string IconSection(const std::string& id, const std::wstring& url) {
  return "[Icon]\r\nID = " + id + "\r\nVersion = 1\r\nURL = " + Utf8(url) + "\r\n";
}

// Icons are fetched only for a data file that loads, a few of them, small
// ones, and from the web only.
TEST_F(CheckEngineTest, IconsOnlyForValidFilesAndWithinLimits) {
  Register(L"1.1");
  m_server.On("/logo.ico", MakeReply(200, "OK", "icon bytes"));
  const std::string icon = IconSection("logo", m_server.Url("/logo.ico"));
  // Missing item title: invalid.
  Serve(L"1.1", MakeReply(200, "OK", DataFile(L"1.1", "2.0", icon + "[Item]\r\nID = broken\r\n")));
  EXPECT_EQ(Check(), static_cast<HRESULT>(0x800400CF));
  EXPECT_EQ(m_server.CountFor("/logo.ico"), 0u) << "an invalid file's icon is never asked for";
  // A move: the icon waits for the file at the new place.
  Serve(L"1.1", MakeReply(200, "OK", DataFile(L"1.1", "2.0", icon + "[Redirect]\r\nDataSource = " +
                                                                  Utf8(m_server.Url("/moved")) + "\r\n")));
  m_server.On("/moved", MakeReply(200, "OK", DataFile(L"1.1", "2.0")));
  EXPECT_EQ(Check(), kCheckAllSucceeded);
  EXPECT_EQ(m_server.CountFor("/logo.ico"), 0u);

  // A valid file: its icons, up to 64 of them, each of 1 MB at most; none
  // after one that fails, none from the disk.
  m_server.On("/big.ico", MakeReply(200, "OK", std::string((1 << 20) + 1, 'b')));
  m_server.On("/many.ico", MakeReply(200, "OK", "many"));
  Register(L"2.2");
  Serve(L"2.2", MakeReply(200, "OK", DataFile(L"2.2", "2.0", icon + IconSection("local", L"file:///C:/x.ico") +
                                                                  IconSection("after", m_server.Url("/many.ico")))));
  std::string many = icon;
  for (int i = 0; i < 70; ++i) many += IconSection("i" + std::to_string(i), m_server.Url("/many.ico"));
  Register(L"3.3");
  Serve(L"3.3", MakeReply(200, "OK", DataFile(L"3.3", "2.0", many)));
  Register(L"4.4");
  Serve(L"4.4", MakeReply(200, "OK", DataFile(L"4.4", "2.0", IconSection("big", m_server.Url("/big.ico")) +
                                                                  IconSection("logo", m_server.Url("/logo.ico")))));
  EXPECT_EQ(Check(), kCheckAllSucceeded);
  EXPECT_EQ(m_server.CountFor("/logo.ico"), 2u) << "2.2 and 3.3; 4.4 stopped at its big icon";
  EXPECT_EQ(m_server.CountFor("/many.ico"), 63u) << "3.3's 64 icons; 2.2 stopped at its local one";
  EXPECT_EQ(m_server.CountFor("/big.ico"), 1u);
  const auto stored = [](const wchar_t* id, const wchar_t* name) {
    std::wstring path;
    return SUCCEEDED(IconFilePath(id, name, L"1", path)) && GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
  };
  EXPECT_TRUE(stored(L"2.2", L"logo"));
  EXPECT_FALSE(stored(L"2.2", L"local"));
  EXPECT_TRUE(stored(L"3.3", L"i62"));
  EXPECT_FALSE(stored(L"3.3", L"i63"));
  EXPECT_FALSE(stored(L"4.4", L"big"));
}

// A data file beyond 16 MB, with or without its length, fails at the cap
// and is not fetched again.
TEST_F(CheckEngineTest, DataFileBeyondTheCapFails) {
  Register(L"1.1");
  m_settings.checkAttempts = 2;
  HttpReply endless;
  endless.head = "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n";
  endless.body = DataFile(L"1.1", "2.0") + std::string(17 << 20, ';');
  endless.close = true;
  Serve(L"1.1", endless);
  EXPECT_EQ(Check(), static_cast<HRESULT>(0x800700DF));
  EXPECT_EQ(m_server.CountFor("/1.1"), 1u);
  EXPECT_EQ(Record(L"1.1").failedLastCheck, 1);
  EXPECT_EQ(m_transfer.MemoryBudget(), kNoFetchLimit) << "the check's limits end with it";
}

TEST_F(CheckEngineTest, NewerLibraryIsNoError) {
  Register(L"1.1");
  Serve(L"1.1", MakeReply(200, "OK", "[Wendrix]\r\nRequiredVersion = 9.0\r\n" + DataFile(L"1.1", "2.0")));
  EXPECT_EQ(Check(), kCheckAllSucceeded);
  EXPECT_EQ(Record(L"1.1").failedLastCheck, 2);
  EXPECT_EQ(ErrorFile(L"1.1"), L"<missing>");
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

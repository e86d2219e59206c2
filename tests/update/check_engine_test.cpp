// The check engine against a real HTTP server and a real store: results and
// run flags, per-publisher state, error files, new items across checks,
// publishers that move, icons, caps and the last good data.
#include "check_fixture.h"  // winsock2.h before windows.h

#include <gtest/gtest.h>

#include <atomic>
#include <tuple>

#include "platform/file_facts.h"

namespace wendrix::test {
namespace {

using CheckEngineTest = CheckFixture;

std::string MoveTo(const std::wstring& url) { return "[Redirect]\r\nDataSource = " + Utf8(url) + "\r\n"; }

// The items of a publisher's model as "ID version[ new];" each.
std::wstring Items(const PublisherRecord& r) {
  if (!r.model) return L"<no model>";
  std::wstring text;
  for (const Item& item : r.model->items)
    text += item.id + L" " + item.latestVersion + ((item.flags & kItemNew) ? L" new;" : L";");
  return text;
}

// What a store opened afresh reads of a publisher's check state, and
// whether the user's list registers it.
std::string StoredState(const std::wstring& id) {
  CPublisherStore store;
  EXPECT_EQ(store.Open(false, nullptr), S_OK);
  const PublisherRecord* r = store.Find(id);
  if (!r) return "unknown";
  char error[16];
  snprintf(error, sizeof error, "0x%08X", r->lastCheckError);
  return "failed " + std::to_string(r->failedLastCheck) + " error " + error + (r->attempted ? " attempted" : "") +
         (r->succeeded ? " succeeded" : "") + " from " + Utf8(r->dataSource) +
         ((r->flags & kPublisherCountedCurrentUser) ? " for the user" : "");
}

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
  EXPECT_NE(ErrorFile(L"2.2").find(L"File = \"" + m_server.Url("/2.2") + L"\""), std::wstring::npos) << ErrorFile(L"2.2");
  EXPECT_EQ(ErrorFile(L"1.1"), L"<missing>");
  ASSERT_EQ(LoadLastCheck(m_settings), S_OK);
  EXPECT_EQ(m_settings.lastCheckResult, 1u);
  EXPECT_EQ(StoredState(L"1.1"), "failed 0 error 0x00000000 attempted succeeded from " + Utf8(m_server.Url("/1.1")) + " for the user");
  EXPECT_EQ(StoredState(L"2.2"), "failed 1 error 0x80072EFC attempted from " + Utf8(m_server.Url("/2.2")) + " for the user");
}

// The library's own publisher needs no registration: beside the registered
// publishers it is checked last, from its built-in address. Its failure is
// no success, whether data files are being debugged or not.
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
  EXPECT_EQ(Items(self), L"wendrix 9.0 new;");
  EXPECT_EQ(&self, &m_store.Records().back());

  IncludeSelfPublisher(MakeReply(404, "Not Found", ""));
  for (std::uint32_t debug : {0u, 1u}) {
    m_settings.iniDebug = debug;
    EXPECT_EQ(Check(kRunScheduled), kCheckPartial) << debug;
    EXPECT_EQ(m_flags, kRunFlagScheduled | kRunFlagPartial) << debug;
    ASSERT_EQ(LoadLastCheck(m_settings), S_OK);
    EXPECT_EQ(m_settings.lastCheckResult, 1u) << debug;
    EXPECT_EQ(Record(SelfPublisher().id).failedLastCheck, 1) << debug;
  }
}

// What a check finds is the user's: it goes to the user's list, even for a
// publisher registered for all users only, whose list a user may not be
// able to write.
TEST_F(CheckEngineTest, CheckStateStaysWithTheUser) {
  Register(L"1.1", kScopeAllUsers);
  const std::wstring common = CommonFolder() + kAllUsersListFile;
  const std::string machine = ReadFileBytes(common);
  ASSERT_FALSE(machine.empty());
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
  EXPECT_EQ(StoredState(L"1.1"), "failed 1 error 0x80072EFD attempted succeeded from " + Utf8(m_server.Url("/1.1")))
      << "the user's section registers nothing";

  // Once the all-users registration goes, the user's state alone is no
  // publisher.
  ASSERT_EQ(UnregisterFromScope(L"1.1", kScopeAllUsers, nullptr), S_OK);
  EXPECT_EQ(StoredState(L"1.1"), "unknown");
  EXPECT_EQ(Check(), kCheckNothingEligible);
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

TEST_F(CheckEngineTest, RefusedFilesNewItemsAndTheLastGoodData) {
  Register(L"1.1");
  Serve(L"1.1", MakeReply(200, "OK", "\r\n  <html><body>Log in</body></html>"));
  EXPECT_EQ(Check(), static_cast<HRESULT>(0x8007000D));
  EXPECT_EQ(m_flags, kRunFlagError);
  EXPECT_NE(ErrorFile(L"1.1").find(L"Error = 0x80040205"), std::wstring::npos) << ErrorFile(L"1.1");

  // A data file that needs a newer library is no error.
  Serve(L"1.1", MakeReply(200, "OK", "[Wendrix]\r\nRequiredVersion = 9.0\r\n" + DataFile(L"1.1", "2.0")));
  EXPECT_EQ(Check(), kCheckAllSucceeded);
  EXPECT_EQ(Record(L"1.1").failedLastCheck, 2);
  EXPECT_EQ(ErrorFile(L"1.1"), L"<missing>");

  // The rules of what is new are tested on their own; here that a check
  // marks and remembers.
  for (const auto& [version, items] :
       {std::pair{"2.1", L"editor 2.1 new;"}, {"2.1", L"editor 2.1;"}, {"2.2", L"editor 2.2 new;"}}) {
    Serve(L"1.1", MakeReply(200, "OK", DataFile(L"1.1", version)));
    ASSERT_EQ(Check(), kCheckAllSucceeded);
    EXPECT_EQ(Items(Record(L"1.1")), items);
  }

  // Every fetch failing: the last good data stays. A file the loader refuses
  // empties the model first, so it must come back from the stored file.
  Serve(L"1.1", MakeReply(200, "OK", DataFile(L"1.1", "2.3", "[Item]\r\nID = broken\r\n")));
  EXPECT_EQ(Check(), static_cast<HRESULT>(0x800400CF));
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(Items(Record(L"1.1")), L"editor 2.2;");
    Serve(L"1.1", MakeReply(500, "Server Error", ""));
    EXPECT_LT(Check(), 0);
  }
}

// A publisher that moves is fetched again from its new place, which the
// store keeps; files sending each other around are given up, and a move
// onto the disk is refused.
TEST_F(CheckEngineTest, MovedPublishers) {
  Register(L"1.1");
  Serve(L"1.1", MakeReply(200, "OK", DataFile(L"1.1", "2.0", MoveTo(m_server.Url("/moved")))));
  m_server.On("/moved", MakeReply(200, "OK", DataFile(L"1.1", "2.0")));
  EXPECT_EQ(Check(), kCheckAllSucceeded);
  EXPECT_EQ(m_flags & kRunFlagRedirected, kRunFlagRedirected);
  EXPECT_EQ(m_server.CountFor("/moved"), 1u);
  EXPECT_EQ(StoredState(L"1.1"), "failed 0 error 0x00000000 attempted succeeded from " + Utf8(m_server.Url("/moved")) + " for the user");

  Register(L"2.2");
  Serve(L"2.2", MakeReply(200, "OK", DataFile(L"2.2", "2.0", MoveTo(m_server.Url("/b")))));
  m_server.On("/b", MakeReply(200, "OK", DataFile(L"2.2", "2.0", MoveTo(m_server.Url("/2.2")))));
  EXPECT_EQ(Check(kRunScheduled, L"2.2"), static_cast<HRESULT>(0x80072F7C));
  EXPECT_LE(m_server.CountFor("/2.2") + m_server.CountFor("/b"), 6u);
  EXPECT_EQ(Record(L"2.2").failedLastCheck, 1);

  // The address rules are tested on their own; here that a refused move
  // fails the publisher and leaves its data source.
  Serve(L"2.2", MakeReply(200, "OK", DataFile(L"2.2", "2.0", "[Redirect]\r\nDataSource = C:\\p.wx-cnf\r\n")));
  EXPECT_EQ(Check(kRunScheduled, L"2.2"), static_cast<HRESULT>(0x80072EE6));
  EXPECT_EQ(m_flags & kRunFlagRedirected, 0u);
  EXPECT_NE(ErrorFile(L"2.2").find(L"Error = 0x80072ee6"), std::wstring::npos) << testing::PrintToString(ErrorFile(L"2.2"));
  EXPECT_EQ(StoredState(L"2.2"), "failed 1 error 0x80072EE6 attempted from " + Utf8(m_server.Url("/2.2")) + " for the user");
}

std::string IconSection(const std::string& id, const std::wstring& url) {
  return "[Icon]\r\nID = " + id + "\r\nVersion = 1\r\nURL = " + Utf8(url) + "\r\n";
}

// Icons are fetched only for a data file that loads where it is, a few of
// them, small ones, and from the web only.
TEST_F(CheckEngineTest, IconsOnlyForValidFilesAndWithinLimits) {
  Register(L"1.1");
  m_server.On("/logo.ico", MakeReply(200, "OK", "icon bytes"));
  const std::string icon = IconSection("logo", m_server.Url("/logo.ico"));
  Serve(L"1.1", MakeReply(200, "OK", DataFile(L"1.1", "2.0", icon + "[Item]\r\nID = broken\r\n")));
  EXPECT_EQ(Check(), static_cast<HRESULT>(0x800400CF));
  Serve(L"1.1", MakeReply(200, "OK", DataFile(L"1.1", "2.0", icon + MoveTo(m_server.Url("/moved")))));
  m_server.On("/moved", MakeReply(200, "OK", DataFile(L"1.1", "2.0")));
  EXPECT_EQ(Check(), kCheckAllSucceeded);
  EXPECT_EQ(m_server.CountFor("/logo.ico"), 0u) << "neither an invalid file's nor a moved one's";

  // Up to 64 icons, each of 1 MB at most; none after one that fails, none from the disk.
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
  const std::tuple<const wchar_t*, const wchar_t*, bool> stored[] = {
      {L"2.2", L"logo", true}, {L"2.2", L"local", false}, {L"3.3", L"i62", true}, {L"3.3", L"i63", false},
      {L"4.4", L"big", false}};
  for (const auto& [id, name, expected] : stored) {
    std::wstring path;
    EXPECT_EQ(SUCCEEDED(IconFilePath(id, name, L"1", path)) && FileExists(path), expected) << id << " " << name;
  }
}

// A data file beyond 16 MB, without its length, fails at the cap and is not
// fetched again; the check's limits end with it.
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
  EXPECT_EQ(m_transfer.MemoryBudget(), kNoFetchLimit);
}

// A check that fetches what is stored leaves the stored files alone, but a
// file another process wrote or deleted since this one read it is written
// again, even when the other text has the same size.
TEST_F(CheckEngineTest, StoredFilesAreWrittenOnlyWhenTheyDiffer) {
  Register(L"1.1");
  Serve(L"1.1", MakeReply(200, "OK", DataFile(L"1.1", "2.0")));
  ASSERT_EQ(Check(), kCheckAllSucceeded);
  ASSERT_EQ(Check(), kCheckAllSucceeded);  // the previous items now hold 2.0 as well
  std::wstring data, previous;
  ASSERT_EQ(SideFilePath(Record(L"1.1"), SideFile::kData, data), S_OK);
  ASSERT_EQ(SideFilePath(Record(L"1.1"), SideFile::kPreviousItems, previous), S_OK);
  const std::wstring dataText = ReadText(data), previousText = ReadText(previous);
  ASSERT_NE(previousText, L"<missing>");
  // Files written in the last two seconds cannot be stamped; these were
  // written long ago. The store that wrote them is kept, as the main window
  // keeps its own across checks: it reads them now instead, and writes again
  // only the one another process changed (to other text of the same size).
  std::wstring other = dataText;
  other.back() = other.back() == L'x' ? L'y' : L'x';
  ASSERT_EQ(WriteUnicodeTextFile(data.c_str(), other), S_OK);
  const auto age = [](const std::wstring& path) { SetLastWrite(path, LastWrite(path) - 60 * 10'000'000ull); };
  age(data);
  age(previous);
  const std::uint64_t previousTime = LastWrite(previous);
  ASSERT_EQ(RunCheck(m_transfer, &m_client, &m_settings, &m_store, nullptr, 0), kCheckAllSucceeded);
  EXPECT_EQ(ReadText(data), dataText);
  EXPECT_EQ(LastWrite(previous), previousTime);
  age(data);
  const std::uint64_t dataTime = LastWrite(data);
  for (const bool kept : {true, false}) {
    SCOPED_TRACE(kept ? "kept store" : "store opened again");
    ASSERT_EQ(kept ? RunCheck(m_transfer, &m_client, &m_settings, &m_store, nullptr, 0) : Check(), kCheckAllSucceeded);
    EXPECT_EQ(LastWrite(data), dataTime);
    EXPECT_EQ(LastWrite(previous), previousTime);
  }

  // Another writer between the store's load and the check: other text of the
  // same size, the file deleted, and other text of the same size written in
  // the clock tick of the file's last write (the write time unchanged).
  enum class Change { kRewritten, kDeleted, kRewrittenInTheSameTick };
  for (const std::wstring* path : {&data, &previous}) {
    for (const Change change : {Change::kRewritten, Change::kDeleted, Change::kRewrittenInTheSameTick}) {
      SCOPED_TRACE(*path + L" change " + std::to_wstring(static_cast<int>(change)));
      // Written just now, however long the checks before took.
      if (change == Change::kRewrittenInTheSameTick) SetLastWrite(*path, CurrentFileTime());
      m_store = CPublisherStore();
      ASSERT_EQ(m_store.Open(false, nullptr), S_OK);
      LoadStoredData(m_store, nullptr);
      std::wstring other = ReadText(*path);
      other.back() = other.back() == L'x' ? L'y' : L'x';
      const std::uint64_t written = LastWrite(*path);
      if (change == Change::kDeleted) ASSERT_TRUE(DeleteFileW(path->c_str()));
      else ASSERT_EQ(WriteUnicodeTextFile(path->c_str(), other), S_OK);
      if (change == Change::kRewrittenInTheSameTick) SetLastWrite(*path, written);
      ASSERT_EQ(RunCheck(m_transfer, &m_client, &m_settings, &m_store, nullptr, 0), kCheckAllSucceeded);
      EXPECT_EQ(ReadText(data), dataText);
      EXPECT_EQ(ReadText(previous), previousText);
    }
  }
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

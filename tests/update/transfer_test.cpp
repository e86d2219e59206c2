// The transfer layer against a real HTTP server on 127.0.0.1: statuses,
// bodies with and without lengths, short and dropped bodies, challenges,
// retries, cancellation, file: addresses and the request headers.
#include "update/transfer.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "../support/http_server.h"
#include "../support/temp_folder.h"
#include "frame/module_state.h"
#include "update/client.h"
#include "update/settings.h"

namespace wendrix::test {
namespace {

HRESULT Wrapped(DWORD error) { return HResultFromWin32(static_cast<long>(error)); }

std::wstring FileUrl(const std::wstring& path) {
  std::wstring url = L"file://" + path;
  std::replace(url.begin(), url.end(), L'\\', L'/');
  return url;
}

// Records the progress it is told and stops when asked to.
class RecordingClient : public CClient {
 public:
  bool IsCancelled() override { return cancelAfterBytes && position >= cancelAfterBytes; }
  bool SetRange(std::uint64_t minimum, std::uint64_t maximum) override {
    rangeMax = maximum;
    ++ranges;
    return true;
  }
  void SetPosition(std::uint64_t p) override { position = p; }

  std::uint64_t rangeMax = 0, position = 0, cancelAfterBytes = 0;
  int ranges = 0;
};

class TransferTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_server.Start());
    m_settings.proxyMode = kProxyDirect;
    m_settings.checkAttempts = 1;
    m_transfer.Bind(&m_client, &m_settings);
  }
  HRESULT Fetch(const std::string& path, std::uint32_t mode = 0, std::uint64_t limit = kNoFetchLimit) {
    return m_transfer.Fetch(m_server.Url(path).c_str(), nullptr, mode, limit);
  }
  HRESULT FetchToFile(const std::string& path, const std::wstring& file, std::uint32_t mode = 0,
                      std::uint64_t limit = kNoFetchLimit) {
    return m_transfer.Fetch(m_server.Url(path).c_str(), file.c_str(), mode, limit);
  }
  // A context of its own on the fixture's settings, with the server
  // credentials "user" and "pw", fetching `url` into `buffer`.
  HRESULT FetchAsUser(CInternet& internet, const std::wstring& url, CBuffer<char>& buffer) {
    internet.SetUserAgent(nullptr);
    EXPECT_EQ(internet.ApplySettings(m_settings, true), S_OK);
    internet.SetServerCredentials(L"user", L"pw");
    EXPECT_EQ(internet.Connect(), S_OK);
    MemorySink sink(buffer);
    return internet.Fetch(url, sink, kDataFileOpenFlags, nullptr);
  }
  std::string Body() const { return std::string(m_transfer.Result().Data(), m_transfer.Result().Count()); }

  TestHttpServer m_server;
  InternetSettings m_settings;
  RecordingClient m_client;
  CTransfer m_transfer;
  TempFolder m_temp;
};

TEST_F(TransferTest, BodiesWithAndWithoutLength) {
  const std::string body(5000, 'x');
  m_server.On("/length", MakeReply(200, "OK", body, "Last-Modified: Wed, 07 May 2013 10:20:30 GMT\r\n"));
  HttpReply unsized;
  unsized.head = "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n";
  unsized.body = "no length given";
  unsized.close = true;
  m_server.On("/unsized", unsized);
  m_server.On("/partial", MakeReply(206, "Partial Content", "part"));

  ASSERT_EQ(Fetch("/length", kFetchProgress), S_OK);
  EXPECT_EQ(Body(), body);
  EXPECT_EQ(m_client.rangeMax, 5000u);
  EXPECT_EQ(m_client.position, 5000u);
  ASSERT_EQ(Fetch("/unsized", kFetchTerminate), S_OK);
  EXPECT_EQ(Body(), std::string("no length given\0\0", 17)) << "mode 1 ends the text with two zero bytes";
  ASSERT_EQ(Fetch("/partial"), S_OK);
  EXPECT_EQ(Body(), "part");
  m_client.ranges = 0;
  ASSERT_EQ(Fetch("/length"), S_OK);
  EXPECT_EQ(m_client.ranges, 0) << "without mode 2 the client hears nothing";
}

TEST_F(TransferTest, HttpStatusesBecomeWinInetErrors) {
  const std::pair<int, DWORD> cases[] = {
      {300, 12027}, {400, 12027}, {403, 12015}, {404, 12028}, {405, 12008},
      {500, 12029}, {503, 12029}, {504, 12002}, {302, 12029},
  };
  for (const auto& [status, error] : cases) {
    const std::string path = "/status" + std::to_string(status);
    m_server.On(path, MakeReply(status, "Status", "error page"));
    EXPECT_EQ(Fetch(path), Wrapped(error)) << status;
    EXPECT_EQ(m_transfer.Result().Count(), 0u) << "the error page is dropped";
  }
  EXPECT_EQ(Fetch("/status404"), static_cast<HRESULT>(0x80072EFC));
}

TEST_F(TransferTest, ShortAndDroppedBodies) {
  HttpReply shortReply = MakeReply(200, "OK", std::string(1000, 's'));
  shortReply.bodyBytesToSend = 900;
  m_server.On("/short", shortReply);
  EXPECT_EQ(Fetch("/short"), static_cast<HRESULT>(0x80071721));
  // No time-outs are set: WinINet's own apply. Under Wine there is no receive
  // time-out at all, so the server stalls two seconds before it drops the
  // connection, as a proxy or load balancer cutting an idle one would.
  shortReply.delayMs = 2000;
  m_server.On("/stalled", shortReply);
  EXPECT_EQ(Fetch("/stalled"), static_cast<HRESULT>(0x80071721));
  EXPECT_EQ(m_transfer.Result().Count(), 0u);

  const std::wstring file = m_temp.File(L"partial.bin");
  EXPECT_EQ(FetchToFile("/short", file), static_cast<HRESULT>(0x80071721));
  EXPECT_FALSE(FileExists(file)) << "a failed download leaves no file";
}

TEST_F(TransferTest, ServerChallenges) {
  m_server.On("/private", MakeReply(401, "Unauthorized", "no", "WWW-Authenticate: Basic realm=\"x\"\r\n"));
  EXPECT_EQ(Fetch("/private"), static_cast<HRESULT>(0x80072EEF)) << "no credentials, no window";
  EXPECT_EQ(m_server.CountFor("/private"), 1u);

  // With server credentials a context answers the challenge once.
  m_server.On("/login", [](const HttpRequest& request) {
    if (request.Header("Authorization") == "Basic dXNlcjpwdw==")
      return MakeReply(200, "OK", "welcome");
    return MakeReply(401, "Unauthorized", "", "WWW-Authenticate: Basic realm=\"x\"\r\n");
  });
  CInternet internet;
  CBuffer<char> buffer;
  ASSERT_EQ(FetchAsUser(internet, m_server.Url("/login"), buffer), S_OK);
  EXPECT_EQ(internet.LastError(), 0u);
  EXPECT_EQ(std::string(buffer.Data(), buffer.Count()), "welcome");
}

TEST_F(TransferTest, ProxyChallengeIsAnsweredOnceWithTheStoredCredentials) {
  m_settings.proxyMode = kProxyExplicit;
  m_settings.proxyServer = L"127.0.0.1:" + std::to_wstring(m_server.Port());
  m_settings.noProxyForLan = 0;
  m_settings.credentials.proxyUser = L"pu";
  m_settings.credentials.proxyPassword = L"pp";
  // Wine's WinINet names the default port in a proxy request; Windows leaves it out.
  const HttpReply challenge =
      MakeReply(407, "Proxy Authentication Required", "", "Proxy-Authenticate: Basic realm=\"p\"\r\n");
  m_server.On("http://updates.example/p.wx-cnf", challenge);
  m_server.On("http://updates.example:80/p.wx-cnf", challenge);
  EXPECT_EQ(m_transfer.Fetch(L"http://updates.example/p.wx-cnf", nullptr, 0), static_cast<HRESULT>(0x80072EEF));
  const std::vector<HttpRequest> requests = m_server.Requests();
  // The stored credentials go out once. Wine's WinINet, given them as
  // options, first resends without them and answers the next 407 itself, so
  // it shows three requests where Windows shows two.
  ASSERT_GE(requests.size(), 2u);
  ASSERT_LE(requests.size(), 3u);
  EXPECT_EQ(requests.front().Header("Proxy-Authorization"), "");
  EXPECT_EQ(requests.back().Header("Proxy-Authorization"), "Basic cHU6cHA=");
  const std::size_t expectedRequests = requests.size();

  m_settings.proxyServer = L":80";
  EXPECT_EQ(m_transfer.Fetch(L"http://updates.example/p.wx-cnf", nullptr, 0), E_INVALIDARG);
  EXPECT_EQ(m_server.Requests().size(), expectedRequests) << "refused before any connection";
}

TEST_F(TransferTest, RequestHeaders) {
  m_server.On("/h", MakeReply(200, "OK", "ok"));
  ASSERT_EQ(Fetch("/h"), S_OK);
  const std::vector<HttpRequest> requests = m_server.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].method, "GET");
  EXPECT_EQ(requests[0].Header("Accept"), "*/*");
  const std::string agent = requests[0].Header("User-Agent");
  EXPECT_EQ(agent.rfind("Kestmoor Wendrix/", 0), 0u) << agent;
  EXPECT_NE(agent.find(" (Windows"), std::string::npos) << agent;
  EXPECT_EQ(requests[0].Header("Authorization"), "");

  m_settings.userAgent = L"Custom/%1 [%5]";
  ASSERT_EQ(Fetch("/h"), S_OK);
  const std::string custom = m_server.Requests()[1].Header("User-Agent");
  EXPECT_EQ(custom.rfind("Custom/", 0), 0u) << custom;
  EXPECT_EQ(custom.find('%'), std::string::npos) << custom;
}

TEST_F(TransferTest, FailedFetchesAreTriedAgainAfterThePause) {
  m_server.On("/down", MakeReply(503, "Unavailable", ""));
  m_settings.checkAttempts = 3;
  m_settings.checkRetryPause = 1;
  const ULONGLONG start = GetTickCount64();
  EXPECT_EQ(Fetch("/down"), Wrapped(12029));
  EXPECT_GE(GetTickCount64() - start, 1900u) << "two pauses of a second";
  EXPECT_EQ(m_server.CountFor("/down"), 3u);
  EXPECT_EQ(m_transfer.Attempts(), 3u);

  m_settings.checkAttempts = 0;
  m_settings.checkRetryPause = 0;
  EXPECT_EQ(Fetch("/down"), Wrapped(12029));
  EXPECT_EQ(m_server.CountFor("/down"), 4u) << "at least one attempt";
  EXPECT_EQ(m_transfer.Fetch(nullptr, nullptr, 0), E_INVALIDARG);
  CTransfer unbound;
  EXPECT_EQ(unbound.Fetch(L"http://x/", nullptr, 0), E_POINTER);
}

// A body beyond the fetch's cap ends the fetch there, announced or not, and
// is not tried again.
TEST_F(TransferTest, BodyBeyondTheCapEndsTheFetch) {
  m_settings.checkAttempts = 3;
  HttpReply endless;  // no length: the body runs until the server closes
  endless.head = "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n";
  endless.body = std::string(4 << 20, 'e');
  endless.close = true;
  m_server.On("/endless", endless);
  m_server.On("/announced", MakeReply(200, "OK", std::string(200000, 'a')));
  EXPECT_EQ(Fetch("/endless", 0, 100000), kFetchTooLarge);
  EXPECT_EQ(m_transfer.Attempts(), 1u) << "too large stays too large";
  EXPECT_EQ(m_transfer.Result().Count(), 0u);
  EXPECT_EQ(Fetch("/announced", kFetchProgress, 199999), kFetchTooLarge);
  EXPECT_EQ(m_client.position, 0u) << "refused by its length, before its body";
  ASSERT_EQ(Fetch("/announced", kFetchTerminate, 200000), S_OK) << "the cap itself is allowed";
  EXPECT_EQ(m_transfer.Result().Count(), 200002u);

  // Into a file the same, and the partial file goes.
  const std::wstring file = m_temp.File(L"endless.bin");
  EXPECT_EQ(FetchToFile("/endless", file, 0, 100000), kFetchTooLarge);
  EXPECT_FALSE(FileExists(file));
  EXPECT_EQ(m_server.CountFor("/endless"), 2u);
}

// The memory fetches share a budget; fetches into files do not draw on it.
TEST_F(TransferTest, MemoryFetchesShareTheirBudget) {
  m_server.On("/part", MakeReply(200, "OK", std::string(60000, 'p')));
  m_transfer.SetMemoryBudget(150000);
  ASSERT_EQ(Fetch("/part"), S_OK);
  ASSERT_EQ(Fetch("/part"), S_OK);
  EXPECT_EQ(m_transfer.MemoryBudget(), 30000u);
  EXPECT_EQ(Fetch("/part"), kFetchTooLarge);
  const std::wstring file = m_temp.File(L"part.bin");
  ASSERT_EQ(FetchToFile("/part", file), S_OK) << "files are not counted";
  EXPECT_EQ(m_transfer.MemoryBudget(), 30000u);
  m_transfer.SetMemoryBudget(0);
  const std::size_t before = m_server.CountFor("/part");
  EXPECT_EQ(Fetch("/part"), kFetchTooLarge);
  EXPECT_EQ(m_server.CountFor("/part"), before) << "a spent budget asks nothing";
}

// A memory fetch past its time ends at its next progress and is not tried
// again; fetches into files have no such time.
TEST_F(TransferTest, MemoryFetchPastItsTimeEnds) {
  m_server.On("/slow", MakeReply(200, "OK", "a byte now and then"));
  m_settings.checkAttempts = 3;
  m_transfer.SetMemoryFetchTime(0);
  EXPECT_EQ(Fetch("/slow"), kFetchTimedOut);
  EXPECT_EQ(m_transfer.Attempts(), 1u);
  EXPECT_EQ(m_transfer.Result().Count(), 0u);
  const std::wstring file = m_temp.File(L"slow.bin");
  EXPECT_EQ(FetchToFile("/slow", file), S_OK);
  m_transfer.SetMemoryFetchTime(60000);
  EXPECT_EQ(Fetch("/slow"), S_OK);
}

// A challenge whose page has no end is not answered, and neither is its page
// read when nothing answers it.
TEST_F(TransferTest, ChallengeWithAHugePageEnds) {
  m_server.On("/huge401", MakeReply(401, "Unauthorized", std::string(2 << 20, 'u'),
                                    "WWW-Authenticate: Basic realm=\"x\"\r\n"));
  m_transfer.SetMemoryBudget(1 << 20);
  EXPECT_EQ(Fetch("/huge401"), static_cast<HRESULT>(0x80072EEF));
  EXPECT_EQ(m_transfer.MemoryBudget(), 1u << 20) << "the error page was not read";

  CInternet internet;
  CBuffer<char> buffer;
  ASSERT_EQ(FetchAsUser(internet, m_server.Url("/huge401"), buffer), S_OK);
  EXPECT_EQ(internet.LastError(), 12015u);
  EXPECT_EQ(m_server.CountFor("/huge401"), 2u) << "the credentials were not sent after a page without end";
  EXPECT_EQ(buffer.Count(), 0u);
}

// Settings far beyond reason: a failing fetch is tried kMaxAttempts times,
// and the pause between tries is kMaxRetryPause seconds at most.
TEST_F(TransferTest, AttemptsAndPausesHaveCeilings) {
  m_server.On("/gone", MakeReply(410, "Gone", ""));
  m_settings.checkAttempts = 0xFFFFFFFF;
  m_settings.checkRetryPause = 0;
  EXPECT_EQ(Fetch("/gone"), Wrapped(12029));
  EXPECT_EQ(m_server.CountFor("/gone"), CTransfer::kMaxAttempts);
  const std::pair<std::uint32_t, DWORD> pauses[] = {
      {0, 0}, {1, 1000}, {60, 60000}, {61, 60000}, {4294968, 60000}, {0xFFFFFFFF, 60000}};
  for (const auto& [seconds, milliseconds] : pauses) {
    m_settings.checkRetryPause = seconds;
    EXPECT_EQ(CTransfer::RetryPause(m_settings), milliseconds) << seconds;
  }
}

TEST_F(TransferTest, CancellingDeletesThePartialFile) {
  m_server.On("/big", MakeReply(200, "OK", std::string(200000, 'b')));
  m_client.cancelAfterBytes = 10000;
  m_settings.checkAttempts = 3;
  const std::wstring file = m_temp.File(L"big.bin");
  EXPECT_EQ(FetchToFile("/big", file, kFetchProgress), E_ABORT);
  EXPECT_FALSE(FileExists(file));
  EXPECT_EQ(m_server.CountFor("/big"), 1u) << "a cancel is not tried again";

  m_client.cancelAfterBytes = 0;
  ASSERT_EQ(FetchToFile("/big", file), S_OK);
  EXPECT_EQ(ReadFileBytes(file), std::string(200000, 'b'));
}

TEST_F(TransferTest, FileAddresses) {
  const std::wstring url = FileUrl(m_temp.Write(L"data file.wx-cnf", std::string(2500, 'f')));
  ASSERT_EQ(m_transfer.Fetch(url.c_str(), nullptr, kFetchProgress), S_OK);
  EXPECT_EQ(Body(), std::string(2500, 'f'));
  EXPECT_EQ(m_client.rangeMax, 2500u);
  EXPECT_EQ(m_transfer.Fetch((L"file:" + m_temp.File(L"missing.wx-cnf")).c_str(), nullptr, 0),
            static_cast<HRESULT>(0x80070002));
}

// Stops the fetch with `answer` at `stopAt`; counts the events it was sent.
struct StoppingCallback {
  std::uint32_t stopAt = 0;
  HRESULT answer = S_OK;
  int sent[4] = {};
  static HRESULT Call(std::uint32_t event, DWORD, DWORD, void* context) {
    auto* self = static_cast<StoppingCallback*>(context);
    ++self->sent[event];
    return event == self->stopAt ? self->answer : S_OK;
  }
};

TEST_F(TransferTest, AnyNonZeroProgressAnswerEndsTheFetchWithIt) {
  m_server.On("/dated", MakeReply(200, "OK", std::string(3000, 'd'), "Last-Modified: Wed, 07 May 2013 10:20:30 GMT\r\n"));
  const std::wstring file = FileUrl(m_temp.Write(L"dated.bin", std::string(3000, 'd')));
  for (const std::wstring& url : {m_server.Url("/dated"), file}) {
    for (std::uint32_t event : {kProgressDate, kProgressSize, kProgressBegin, kProgressBytes}) {
      // 1 is how a caller that already holds the resource declines its bytes.
      for (HRESULT answer : {HRESULT{1}, HRESULT{2}, E_ABORT}) {
        const std::string label = testing::PrintToString(url) + " event " + std::to_string(event) + " answer " +
                                  std::to_string(answer);
        CInternet internet;
        ASSERT_EQ(internet.ApplySettings(m_settings, true), S_OK);
        ASSERT_EQ(internet.Connect(), S_OK);
        StoppingCallback callback{event, answer};
        internet.SetProgressCallback(&StoppingCallback::Call, &callback);
        CBuffer<char> received;
        MemorySink sink(received);
        EXPECT_EQ(internet.Fetch(url, sink, kDataFileOpenFlags, nullptr), answer) << label;
        EXPECT_EQ(callback.sent[event], 1) << label;
        for (std::uint32_t later = event + 1; later < 4; ++later) EXPECT_EQ(callback.sent[later], 0) << label;
        if (event == kProgressBytes) {
          EXPECT_GT(received.Count(), 0u) << label;
          EXPECT_LT(received.Count(), 3000u) << label << ": the first block's answer ends the reading";
        } else {
          EXPECT_EQ(received.Count(), 0u) << label << ": no data before the first block";
        }
      }
    }
  }
}

TEST(TransferCleanupTest, LeftoverDownloadFoldersGoUnlessAFileIsInUse) {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::wstring root = std::wstring(temp) + L"Wendrix";
  CreateDirectoryW(root.c_str(), nullptr);
  const std::wstring free = root + L"\\KWX1A2B.tmp", busy = root + L"\\KWX3C4D.tmp", other = root + L"\\Keep";
  for (const std::wstring& folder : {free, busy, other}) CreateDirectoryW(folder.c_str(), nullptr);
  for (const std::wstring& file : {free + L"\\a.exe", free + L"\\b.txt", busy + L"\\c.exe", other + L"\\d.txt"}) {
    HANDLE h = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    CloseHandle(h);
  }
  HANDLE held = CreateFileW((busy + L"\\c.exe").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  { CTransfer transfer; }
  EXPECT_FALSE(FileExists(free));
  EXPECT_TRUE(FileExists(busy + L"\\c.exe")) << "a file in use keeps its folder";
  EXPECT_TRUE(FileExists(other + L"\\d.txt")) << "only KWX folders are leftovers";
  CloseHandle(held);
  { CTransfer transfer; }
  EXPECT_FALSE(FileExists(busy));
  DeleteTree(other);
}

TEST(InternetTest, HostNamesOfflineModeAndSettings) {
  CInternet internet;
  ASSERT_TRUE(internet.Available());
  EXPECT_EQ(internet.GetHostName(L"http://user:pw@Host.Example:8080/a/b?c"), L"Host.Example");
  EXPECT_EQ(internet.GetHostName(L"not an address://odd/x"), L"odd");
  EXPECT_EQ(internet.GetHostName(L"plain"), L"");

  InternetSettings s;
  s.proxyMode = kProxyExplicit;
  s.proxyServer = L"";
  EXPECT_EQ(internet.ApplySettings(s, false), E_INVALIDARG);
  s.proxyServer = L":8080";
  EXPECT_EQ(internet.ApplySettings(s, false), E_INVALIDARG);
  s.proxyServer = L"proxy:8080";
  EXPECT_EQ(internet.ApplySettings(s, false), S_OK);

  internet.SetUserAgent(L"%9 and %2 are empty, %5 is a count");
  EXPECT_EQ(internet.UserAgent().substr(0, 17), L" and  are empty, ");
  // Formats that would read past the five inserts read as empty; line
  // breaks would start another header.
  const std::pair<const wchar_t*, const wchar_t*> agents[] = {
      {L"A%99!*.*s!B", L"AB"},
      {L"A%1!*s!%5!.*s!B", L"AB"},
      {L"A%4!I64d!%3!99999999s!B", L"AB"},
      {L"A%nB%rC%tD", L"A  B C D"},
      {L"A%2!5s!B", L"A     B"},
  };
  for (const auto& [agent, expected] : agents) {
    internet.SetUserAgent(agent);
    EXPECT_EQ(internet.UserAgent(), expected) << testing::PrintToString(std::wstring(agent));
  }
  internet.SetUserAgent(L"");
  EXPECT_EQ(internet.UserAgent().rfind(L"Kestmoor Wendrix/", 0), 0u);
  EXPECT_NE(internet.UserAgent().find(L" ("), std::wstring::npos);
}

}  // namespace
}  // namespace wendrix::test

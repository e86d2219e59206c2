// The transfer layer against a real HTTP server on 127.0.0.1: statuses,
// bodies with and without lengths, short and dropped bodies, caps, budgets,
// challenges, retries, cancellation, file: addresses and the request headers.
#include "update/transfer.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "../support/http_server.h"
#include "../support/temp_folder.h"
#include "update/client.h"
#include "update/settings.h"

namespace wendrix::test {
namespace {

constexpr HRESULT kShortBody = static_cast<HRESULT>(0x80071721);
constexpr HRESULT kNoCredentials = static_cast<HRESULT>(0x80072EEF);

std::wstring FileUrl(const std::wstring& path) {
  std::wstring url = L"file://" + path;
  std::replace(url.begin(), url.end(), L'\\', L'/');
  return url;
}

// A reply without Content-Length: the body runs until the server closes.
HttpReply Unsized(std::string body) {
  HttpReply reply;
  reply.head = "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n";
  reply.body = std::move(body);
  reply.close = true;
  return reply;
}

// Records the progress it is told and stops when asked to.
class RecordingClient : public CClient {
 public:
  bool IsCancelled() override { return cancelAfterBytes && position >= cancelAfterBytes; }
  bool SetRange(std::uint64_t, std::uint64_t maximum) override {
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
  // Into a file, which must be gone when the fetch fails.
  HRESULT FetchToFile(const std::string& path, std::uint32_t mode = 0, std::uint64_t limit = kNoFetchLimit) {
    const std::wstring file = m_temp.File(L"fetched.bin");
    const HRESULT hr = m_transfer.Fetch(m_server.Url(path).c_str(), file.c_str(), mode, limit);
    EXPECT_EQ(FileExists(file), SUCCEEDED(hr)) << path << ": a failed download leaves no file";
    return hr;
  }
  // A context of its own with the server credentials "user" and "pw".
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

TEST_F(TransferTest, BodiesStatusesAndShortBodies) {
  const std::string body(5000, 'x');
  m_server.On("/length", MakeReply(200, "OK", body, "Last-Modified: Wed, 07 May 2013 10:20:30 GMT\r\n"));
  m_server.On("/unsized", Unsized("no length given"));
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

  // The status table itself is tested without a server; here its use, and
  // the error page dropped.
  m_server.On("/missing", MakeReply(404, "Not Found", "error page"));
  EXPECT_EQ(Fetch("/missing"), static_cast<HRESULT>(0x80072EFC));
  EXPECT_EQ(m_transfer.Result().Count(), 0u);

  // WinINet ends a body shorter than its length without an error.
  HttpReply shortReply = MakeReply(200, "OK", std::string(1000, 's'));
  shortReply.bodyBytesToSend = 900;
  m_server.On("/short", shortReply);
  EXPECT_EQ(Fetch("/short"), kShortBody);
  EXPECT_EQ(m_transfer.Result().Count(), 0u);
  EXPECT_EQ(FetchToFile("/short"), kShortBody);
}

TEST_F(TransferTest, ServerChallenges) {
  m_server.On("/private", MakeReply(401, "Unauthorized", "no", "WWW-Authenticate: Basic realm=\"x\"\r\n"));
  EXPECT_EQ(Fetch("/private"), kNoCredentials) << "no credentials, no window";
  EXPECT_EQ(m_server.CountFor("/private"), 1u);

  // With server credentials a context answers the challenge once.
  m_server.On("/login", [](const HttpRequest& request) {
    if (request.Header("Authorization") == "Basic dXNlcjpwdw==") return MakeReply(200, "OK", "welcome");
    return MakeReply(401, "Unauthorized", "", "WWW-Authenticate: Basic realm=\"x\"\r\n");
  });
  CInternet internet;
  CBuffer<char> buffer;
  ASSERT_EQ(FetchAsUser(internet, m_server.Url("/login"), buffer), S_OK);
  EXPECT_EQ(internet.LastError(), 0u);
  EXPECT_EQ(std::string(buffer.Data(), buffer.Count()), "welcome");

}

// A challenge whose page has no end is not answered, and its page is not read
// when nothing answers it. (WinINet keeps credentials per host and port: this
// needs a server of its own.)
TEST_F(TransferTest, ChallengeWithAHugePageEnds) {
  m_server.On("/huge401", MakeReply(401, "Unauthorized", std::string(2 << 20, 'u'),
                                    "WWW-Authenticate: Basic realm=\"x\"\r\n"));
  m_transfer.SetMemoryBudget(1 << 20);
  EXPECT_EQ(Fetch("/huge401"), kNoCredentials);
  EXPECT_EQ(m_transfer.MemoryBudget(), 1u << 20) << "the error page was not read";
  CInternet other;
  CBuffer<char> nothing;
  ASSERT_EQ(FetchAsUser(other, m_server.Url("/huge401"), nothing), S_OK);
  EXPECT_EQ(other.LastError(), 12015u);
  EXPECT_EQ(m_server.CountFor("/huge401"), 2u) << "the credentials were not sent after a page without end";
  EXPECT_EQ(nothing.Count(), 0u);
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
  EXPECT_EQ(m_transfer.Fetch(L"http://updates.example/p.wx-cnf", nullptr, 0), kNoCredentials);
  // Wine's WinINet, given the credentials as options, first resends without
  // them and answers the next 407 itself: three requests where Windows shows two.
  const std::vector<HttpRequest> requests = m_server.Requests();
  ASSERT_GE(requests.size(), 2u);
  ASSERT_LE(requests.size(), 3u);
  EXPECT_EQ(requests.front().Header("Proxy-Authorization"), "");
  EXPECT_EQ(requests.back().Header("Proxy-Authorization"), "Basic cHU6cHA=");

  m_settings.proxyServer = L":80";
  EXPECT_EQ(m_transfer.Fetch(L"http://updates.example/p.wx-cnf", nullptr, 0), E_INVALIDARG);
  EXPECT_EQ(m_server.Requests().size(), requests.size()) << "refused before any connection";
}

TEST_F(TransferTest, RequestHeaders) {
  m_server.On("/h", MakeReply(200, "OK", "ok"));
  ASSERT_EQ(Fetch("/h"), S_OK);
  m_settings.userAgent = L"Custom/%1 [%5]";
  ASSERT_EQ(Fetch("/h"), S_OK);
  const std::vector<HttpRequest> requests = m_server.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].method, "GET");
  EXPECT_EQ(requests[0].Header("Accept"), "*/*");
  EXPECT_EQ(requests[0].Header("Authorization"), "");
  const std::string agent = requests[0].Header("User-Agent"), custom = requests[1].Header("User-Agent");
  EXPECT_EQ(agent.rfind("Kestmoor Wendrix/", 0), 0u) << agent;
  EXPECT_NE(agent.find(" (Windows"), std::string::npos) << agent;
  EXPECT_EQ(custom.rfind("Custom/", 0), 0u) << custom;
  EXPECT_EQ(custom.find('%'), std::string::npos) << custom;
}

// Failed fetches are tried CheckAttempts times (at least once, at most
// kMaxAttempts), with CheckRetryPause seconds (at most kMaxRetryPause) between.
TEST_F(TransferTest, AttemptsAndPauses) {
  m_server.On("/down", MakeReply(503, "Unavailable", ""));
  m_settings.checkRetryPause = 0;
  for (const auto& [attempts, made] :
       {std::pair{3u, 3u}, {0u, 1u}, {0xFFFFFFFFu, CTransfer::kMaxAttempts}}) {
    const std::size_t before = m_server.CountFor("/down");
    m_settings.checkAttempts = attempts;
    EXPECT_EQ(Fetch("/down"), static_cast<HRESULT>(0x80072EFD));
    EXPECT_EQ(m_server.CountFor("/down") - before, made) << attempts;
    EXPECT_EQ(m_transfer.Attempts(), made) << attempts;
  }
  for (const auto& [seconds, milliseconds] : {std::pair<std::uint32_t, DWORD>{0, 0}, {1, 1000}, {60, 60000},
                                              {61, 60000}, {4294968, 60000}, {0xFFFFFFFF, 60000}}) {
    m_settings.checkRetryPause = seconds;
    EXPECT_EQ(CTransfer::RetryPause(m_settings), milliseconds) << seconds;
  }
  EXPECT_EQ(m_transfer.Fetch(nullptr, nullptr, 0), E_INVALIDARG);
  CTransfer unbound;
  EXPECT_EQ(unbound.Fetch(L"http://x/", nullptr, 0), E_POINTER);
}

// A body beyond the fetch's cap ends the fetch there, announced or not, and
// is not tried again; memory fetches share a budget that files do not draw on.
TEST_F(TransferTest, CapsAndTheMemoryBudget) {
  m_settings.checkAttempts = 3;
  m_server.On("/endless", Unsized(std::string(4 << 20, 'e')));
  m_server.On("/announced", MakeReply(200, "OK", std::string(200000, 'a')));
  EXPECT_EQ(Fetch("/endless", 0, 100000), kFetchTooLarge);
  EXPECT_EQ(m_transfer.Attempts(), 1u) << "too large stays too large";
  EXPECT_EQ(m_transfer.Result().Count(), 0u);
  EXPECT_EQ(Fetch("/announced", kFetchProgress, 199999), kFetchTooLarge);
  EXPECT_EQ(m_client.position, 0u) << "refused by its length, before its body";
  ASSERT_EQ(Fetch("/announced", kFetchTerminate, 200000), S_OK) << "the cap itself is allowed";
  EXPECT_EQ(m_transfer.Result().Count(), 200002u);
  EXPECT_EQ(FetchToFile("/endless", 0, 100000), kFetchTooLarge);
  EXPECT_EQ(m_server.CountFor("/endless"), 2u);

  m_server.On("/part", MakeReply(200, "OK", std::string(60000, 'p')));
  m_transfer.SetMemoryBudget(150000);
  ASSERT_EQ(Fetch("/part"), S_OK);
  ASSERT_EQ(Fetch("/part"), S_OK);
  EXPECT_EQ(m_transfer.MemoryBudget(), 30000u);
  EXPECT_EQ(Fetch("/part"), kFetchTooLarge);
  ASSERT_EQ(FetchToFile("/part"), S_OK) << "files are not counted";
  EXPECT_EQ(m_transfer.MemoryBudget(), 30000u);
  m_transfer.SetMemoryBudget(0);
  const std::size_t before = m_server.CountFor("/part");
  EXPECT_EQ(Fetch("/part"), kFetchTooLarge);
  EXPECT_EQ(m_server.CountFor("/part"), before) << "a spent budget asks nothing";

  // A memory fetch past its time ends and is not tried again; files have no such time.
  m_transfer.SetMemoryBudget(kNoFetchLimit);
  m_transfer.SetMemoryFetchTime(0);
  EXPECT_EQ(Fetch("/part"), kFetchTimedOut);
  EXPECT_EQ(m_transfer.Attempts(), 1u);
  EXPECT_EQ(m_transfer.Result().Count(), 0u);
  EXPECT_EQ(FetchToFile("/part"), S_OK);
  m_transfer.SetMemoryFetchTime(60000);
  EXPECT_EQ(Fetch("/part"), S_OK);
}

TEST_F(TransferTest, CancellingAndFileAddresses) {
  m_server.On("/big", MakeReply(200, "OK", std::string(200000, 'b')));
  m_client.cancelAfterBytes = 10000;
  m_settings.checkAttempts = 3;
  EXPECT_EQ(FetchToFile("/big", kFetchProgress), E_ABORT);
  EXPECT_EQ(m_server.CountFor("/big"), 1u) << "a cancel is not tried again";
  m_client.cancelAfterBytes = 0;
  ASSERT_EQ(FetchToFile("/big"), S_OK);
  EXPECT_EQ(ReadFileBytes(m_temp.File(L"fetched.bin")), std::string(200000, 'b'));

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
        SCOPED_TRACE(testing::PrintToString(url) + " event " + std::to_string(event) + " answer " + std::to_string(answer));
        CInternet internet;
        ASSERT_EQ(internet.ApplySettings(m_settings, true), S_OK);
        ASSERT_EQ(internet.Connect(), S_OK);
        StoppingCallback callback{event, answer};
        internet.SetProgressCallback(&StoppingCallback::Call, &callback);
        CBuffer<char> received;
        MemorySink sink(received);
        EXPECT_EQ(internet.Fetch(url, sink, kDataFileOpenFlags, nullptr), answer);
        EXPECT_EQ(callback.sent[event], 1);
        for (std::uint32_t later = event + 1; later < 4; ++later) EXPECT_EQ(callback.sent[later], 0);
        const bool someBytes = event == kProgressBytes;  // the first block's answer ends the reading
        EXPECT_EQ(received.Count() > 0, someBytes);
        EXPECT_LT(received.Count(), 3000u);
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
  for (const std::wstring& file : {free + L"\\a.exe", free + L"\\b.txt", busy + L"\\c.exe", other + L"\\d.txt"})
    CloseHandle(CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
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

TEST(InternetTest, HostNamesProxySettingsAndUserAgents) {
  CInternet internet;
  ASSERT_TRUE(internet.Available());
  EXPECT_EQ(internet.GetHostName(L"http://user:pw@Host.Example:8080/a/b?c"), L"Host.Example");
  EXPECT_EQ(internet.GetHostName(L"not an address://odd/x"), L"odd") << "what the system cannot read, the text rule reads";

  InternetSettings s;
  s.proxyMode = kProxyExplicit;
  for (const auto& [server, result] : {std::pair{L"", E_INVALIDARG}, {L":8080", E_INVALIDARG}, {L"proxy:8080", S_OK}}) {
    s.proxyServer = server;
    EXPECT_EQ(internet.ApplySettings(s, false), result) << testing::PrintToString(std::wstring(server));
  }

  // The template rules are tested on their own; here that the agent goes
  // through them, and that line breaks cannot start another header.
  for (const auto& [agent, expected] : {std::pair{L"%9 and %2 are empty", L" and  are empty"},
                                        {L"A%99!*.*s!B", L"AB"}, {L"A%nB%rC%tD", L"A  B C D"}, {L"A%2!5s!B", L"A     B"}}) {
    internet.SetUserAgent(agent);
    EXPECT_EQ(internet.UserAgent(), expected) << testing::PrintToString(std::wstring(agent));
  }
}

}  // namespace
}  // namespace wendrix::test

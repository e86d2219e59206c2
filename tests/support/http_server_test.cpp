// The local HTTP server, checked with a plain Winsock client so that its
// behaviour is known before the library's WinINet code is tested against it.
#include <gtest/gtest.h>
#include <winsock2.h>

#include <optional>

#include "http_server.h"
#include "platform/unique_handle.h"

namespace wendrix::test {
namespace {

// A blocking client connection; every read gives up after 10 s so that a
// server that never answers fails the test instead of hanging it.
class Client {
 public:
  explicit Client(unsigned short port) : m_socket(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP)) {
    const DWORD timeoutMs = 10000;
    setsockopt(m_socket.Get(), SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeoutMs), sizeof timeoutMs);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    m_connected = connect(m_socket.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  }
  bool Connected() const { return m_connected; }

  bool Send(std::string_view data) {
    while (!data.empty()) {
      const int sent = send(m_socket.Get(), data.data(), static_cast<int>(data.size()), 0);
      if (sent <= 0) return false;
      data.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
  }

  // One reply: its head, then as many body bytes as its Content-Length
  // says. "" when it does not arrive whole.
  std::string ReadReply() {
    std::size_t headEnd;
    while ((headEnd = m_pending.find("\r\n\r\n")) == std::string::npos)
      if (!ReceiveMore()) return {};
    headEnd += 4;
    std::size_t length = 0;
    if (const std::size_t field = m_pending.find("Content-Length: "); field < headEnd)
      length = std::stoul(m_pending.substr(field + 16));
    while (m_pending.size() < headEnd + length)
      if (!ReceiveMore()) return {};
    std::string reply = m_pending.substr(0, headEnd + length);
    m_pending.erase(0, headEnd + length);
    return reply;
  }

  // Everything until the server closes the connection in order; nullopt
  // when it does not, or resets it.
  std::optional<std::string> ReadToEnd() {
    for (;;) {
      const int received = Receive();
      if (received == 0) return std::exchange(m_pending, {});
      if (received < 0) return std::nullopt;
    }
  }

 private:
  int Receive() {
    char buffer[64 * 1024];
    const int received = recv(m_socket.Get(), buffer, sizeof buffer, 0);
    if (received > 0) m_pending.append(buffer, static_cast<std::size_t>(received));
    return received;
  }
  bool ReceiveMore() { return Receive() > 0; }

  UniqueHandle<SocketTraits> m_socket;
  bool m_connected = false;
  std::string m_pending;
};

template <typename Condition>
bool WaitUntil(Condition condition) {
  for (int i = 0; i < 1000; ++i, Sleep(10))
    if (condition()) return true;
  return false;
}

class HttpServerTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(m_server.Start()); }

  WinsockSession m_winsock;  // for the clients
  TestHttpServer m_server;
};

TEST_F(HttpServerTest, ScriptedReplyArrivesByteExactWhenTheRequestComesInPieces) {
  std::string body(3 * 1024 * 1024 + 17, '\0');
  unsigned state = 12345;
  for (char& c : body) c = static_cast<char>((state = state * 1103515245 + 12345) >> 16);
  m_server.On("/file.bin", MakeReply(200, "OK", body, "Last-Modified: Tue, 15 Nov 1994 08:12:31 GMT"));

  Client client(m_server.Port());
  ASSERT_TRUE(client.Connected());
  for (const char* piece : {"GET /file.bin?v", "=1 HTTP/1.1\r\nHo", "st: 127.0.0.1\r", "\n\r\n"}) {
    ASSERT_TRUE(client.Send(piece));
    Sleep(20);
  }
  const std::string reply = client.ReadReply();
  const std::string head = "HTTP/1.1 200 OK\r\nContent-Length: 3145745\r\n"
                           "Last-Modified: Tue, 15 Nov 1994 08:12:31 GMT\r\n\r\n";
  ASSERT_EQ(reply.size(), head.size() + body.size());
  EXPECT_EQ(reply.substr(0, head.size()), head);
  EXPECT_TRUE(reply.compare(head.size(), std::string::npos, body) == 0) << "the body differs";
}

TEST_F(HttpServerTest, KeepAliveConnectionAnswersAndRecordsRequestAfterRequest) {
  m_server.On("/n", [](const HttpRequest& request) { return MakeReply(200, "OK", request.target); });
  m_server.On("/a/b", MakeReply(204, "No Content", ""));
  Client client(m_server.Port());
  ASSERT_TRUE(client.Send("GET /n HTTP/1.1\r\nHost: x\r\n\r\n"));
  EXPECT_EQ(client.ReadReply(), "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\n/n");
  ASSERT_TRUE(client.Send("GET /n?again HTTP/1.1\r\nHost: x\r\n\r\n"));
  EXPECT_EQ(client.ReadReply(), "HTTP/1.1 200 OK\r\nContent-Length: 8\r\n\r\n/n?again");
  ASSERT_TRUE(client.Send("GET /unknown HTTP/1.1\r\nHost: x\r\n\r\n"));
  EXPECT_TRUE(client.ReadReply().starts_with("HTTP/1.1 404 Not Found\r\n"));
  // A request meant for a proxy is matched by its whole address.
  m_server.On("http://updates.example/p", MakeReply(200, "OK", "proxied"));
  ASSERT_TRUE(client.Send("GET http://updates.example/p?q HTTP/1.1\r\nHost: updates.example\r\n\r\n"));
  EXPECT_EQ(client.ReadReply(), "HTTP/1.1 200 OK\r\nContent-Length: 7\r\n\r\nproxied");
  // The client's own "Connection: close" ends the connection after the reply.
  ASSERT_TRUE(client.Send("GET /a/b?x=1&y HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Custom-Thing:  spaced value \r\n"
                          "Connection: close\r\n\r\n"));
  EXPECT_EQ(client.ReadToEnd(), "HTTP/1.1 204 No Content\r\nContent-Length: 0\r\n\r\n");

  const std::vector<HttpRequest> requests = m_server.Requests();
  ASSERT_EQ(requests.size(), 5u);
  const HttpRequest& request = requests[4];
  EXPECT_EQ(request.method, "GET");
  EXPECT_EQ(request.target, "/a/b?x=1&y");
  const std::vector<std::pair<std::string, std::string>> headers = {
      {"Host", "127.0.0.1"}, {"X-Custom-Thing", "spaced value"}, {"Connection", "close"}};
  EXPECT_EQ(request.headers, headers);
  EXPECT_EQ(request.Header("x-custom-THING"), "spaced value");
  EXPECT_EQ(request.Header("X-Missing"), "");
  EXPECT_EQ(m_server.CountFor("/n"), 2u);
  EXPECT_EQ(m_server.CountFor("/unknown"), 1u);
  EXPECT_EQ(m_server.CountFor("/a/b"), 1u);
}

TEST_F(HttpServerTest, ShortOrClosingReplyIsFollowedByTheEndOfTheConnection) {
  HttpReply cut = MakeReply(200, "OK", std::string(1000, 'x'));
  cut.bodyBytesToSend = 100;
  m_server.On("/cut", cut);
  HttpReply closing = MakeReply(200, "OK", "bye");
  closing.close = true;
  m_server.On("/close", closing);
  for (const auto& [path, expected] :
       {std::pair{"/cut", "HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n" + std::string(100, 'x')},
        std::pair{"/close", std::string("HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\nbye")}}) {
    Client client(m_server.Port());
    ASSERT_TRUE(client.Send("GET " + std::string(path) + " HTTP/1.1\r\nHost: x\r\n\r\n"));
    EXPECT_EQ(client.ReadToEnd(), expected) << path;
  }
}

TEST_F(HttpServerTest, StopReturnsPromptlyWhileAReplyWaitsAndAClientIdles) {
  HttpReply slow = MakeReply(200, "OK", "late");
  slow.delayMs = 60000;
  m_server.On("/slow", slow);
  Client delayed(m_server.Port()), idle(m_server.Port());
  ASSERT_TRUE(delayed.Send("GET /slow HTTP/1.1\r\nHost: x\r\n\r\n"));
  ASSERT_TRUE(idle.Send("GET /never-fin"));
  ASSERT_TRUE(WaitUntil([&] { return m_server.Requests().size() == 1; }));

  const ULONGLONG start = GetTickCount64();
  m_server.Stop();
  EXPECT_LT(GetTickCount64() - start, 2000u);
  EXPECT_EQ(delayed.ReadToEnd(), "") << "no answer, and the connection ended";
}

TEST_F(HttpServerTest, MalformedRequestEndsTheConnectionUnrecorded) {
  for (const char* request : {"GET\r\n\r\n", "GET / HTTP/1.1\r\nno colon\r\n\r\n"}) {
    Client client(m_server.Port());
    ASSERT_TRUE(client.Send(request));
    EXPECT_EQ(client.ReadToEnd(), "") << request;
  }
  EXPECT_TRUE(m_server.Requests().empty());
}

}  // namespace
}  // namespace wendrix::test

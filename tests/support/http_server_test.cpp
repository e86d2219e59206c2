// The local HTTP server, checked with a plain Winsock client for what the
// library's tests take for granted: requests recorded as sent, a connection
// kept for several requests, unparsable requests refused, and a stop that
// ends even a reply that waits for ever.
#include <gtest/gtest.h>
#include <winsock2.h>

#include <optional>

#include "http_server.h"

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
    connect(m_socket.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address);
  }
  bool Send(std::string_view data) { return send(m_socket.Get(), data.data(), static_cast<int>(data.size()), 0) > 0; }
  // The reply that begins what has arrived, once it is whole by its
  // Content-Length; "" when it does not arrive whole.
  std::string ReadReply() {
    for (;;) {
      const std::size_t headEnd = m_pending.find("\r\n\r\n");
      if (headEnd != std::string::npos) {
        const std::size_t field = m_pending.find("Content-Length: ");
        const std::size_t end = headEnd + 4 + (field < headEnd ? std::stoul(m_pending.substr(field + 16)) : 0);
        if (m_pending.size() >= end) {
          std::string reply = m_pending.substr(0, end);
          m_pending.erase(0, end);
          return reply;
        }
      }
      if (Receive() <= 0) return {};
    }
  }
  // Everything until the server ends the connection in order; nullopt when
  // it does not, or resets it.
  std::optional<std::string> ReadToEnd() {
    for (int received; (received = Receive()) != 0;)
      if (received < 0) return std::nullopt;
    return std::exchange(m_pending, {});
  }

 private:
  int Receive() {
    char buffer[64 * 1024];
    const int received = recv(m_socket.Get(), buffer, sizeof buffer, 0);
    if (received > 0) m_pending.append(buffer, static_cast<std::size_t>(received));
    return received;
  }

  UniqueSocket m_socket;
  std::string m_pending;
};

class HttpServerTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(m_server.Start()); }
  std::string Get(Client& client, const std::string& target) {
    EXPECT_TRUE(client.Send("GET " + target + " HTTP/1.1\r\nHost: x\r\n\r\n"));
    return client.ReadReply();
  }

  TestHttpServer m_server;  // also keeps Winsock started for the clients
};

TEST_F(HttpServerTest, KeepAliveConnectionAnswersAndRecordsRequestAfterRequest) {
  m_server.On("/n", [](const HttpRequest& request) { return MakeReply(200, "OK", request.target); });
  m_server.On("http://updates.example/p", MakeReply(200, "OK", "proxied", "X-A: 1"));
  m_server.On("/a/b", MakeReply(204, "No Content", ""));
  Client client(m_server.Port());
  for (const char* piece : {"GET /n HTT", "P/1.1\r\nHo", "st: x\r", "\n\r\n"}) {  // a request in pieces
    ASSERT_TRUE(client.Send(piece));
    Sleep(20);
  }
  EXPECT_EQ(client.ReadReply(), "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\n/n");
  EXPECT_EQ(Get(client, "/n?again"), "HTTP/1.1 200 OK\r\nContent-Length: 8\r\n\r\n/n?again");
  EXPECT_TRUE(Get(client, "/unknown").starts_with("HTTP/1.1 404 Not Found\r\n"));
  // A request meant for a proxy is matched by its whole address.
  EXPECT_EQ(Get(client, "http://updates.example/p?q"), "HTTP/1.1 200 OK\r\nContent-Length: 7\r\nX-A: 1\r\n\r\nproxied");
  // The client's own "Connection: close" ends the connection after the reply.
  ASSERT_TRUE(client.Send("GET /a/b?x=1&y HTTP/1.1\r\nX-Custom-Thing:  spaced value \r\nConnection: close\r\n\r\n"));
  EXPECT_EQ(client.ReadToEnd(), "HTTP/1.1 204 No Content\r\nContent-Length: 0\r\n\r\n");

  const std::vector<HttpRequest> requests = m_server.Requests();
  ASSERT_EQ(requests.size(), 5u);
  EXPECT_EQ(requests[4].method, "GET");
  EXPECT_EQ(requests[4].target, "/a/b?x=1&y");
  const std::vector<std::pair<std::string, std::string>> headers = {{"X-Custom-Thing", "spaced value"},
                                                                    {"Connection", "close"}};
  EXPECT_EQ(requests[4].headers, headers);
  EXPECT_EQ(requests[4].Header("x-custom-THING"), "spaced value");
  EXPECT_EQ(requests[4].Header("X-Missing"), "");
  EXPECT_EQ(m_server.CountFor("/n"), 2u);
  EXPECT_EQ(m_server.CountFor("/unknown"), 1u);
}

TEST_F(HttpServerTest, ShortClosingOrMalformedExchangesEndTheConnection) {
  HttpReply cut = MakeReply(200, "OK", std::string(1000, 'x'));
  cut.bodyBytesToSend = 100;
  m_server.On("/cut", cut);
  HttpReply closing = MakeReply(200, "OK", "bye");
  closing.close = true;
  m_server.On("/close", closing);
  const std::pair<std::string, std::string> cases[] = {
      {"GET /cut HTTP/1.1\r\n\r\n", "HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n" + std::string(100, 'x')},
      {"GET /close HTTP/1.1\r\n\r\n", "HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\nbye"},
      {"GET\r\n\r\n", ""},
      {"GET / HTTP/1.1\r\nno colon\r\n\r\n", ""}};
  for (const auto& [request, expected] : cases) {
    Client client(m_server.Port());
    ASSERT_TRUE(client.Send(request));
    EXPECT_EQ(client.ReadToEnd(), expected) << request;
  }
  EXPECT_EQ(m_server.Requests().size(), 2u) << "a malformed request is not recorded";
}

TEST_F(HttpServerTest, StopEndsAWaitingReplyAndAnIdleClient) {
  HttpReply slow = MakeReply(200, "OK", "late");
  slow.delayMs = INFINITE;  // only the stop ends this wait
  m_server.On("/slow", slow);
  Client delayed(m_server.Port()), idle(m_server.Port());
  ASSERT_TRUE(delayed.Send("GET /slow HTTP/1.1\r\n\r\n"));
  ASSERT_TRUE(idle.Send("GET /never-fin"));
  for (int i = 0; i < 1000 && m_server.Requests().empty(); ++i) Sleep(10);  // the reply is waiting
  m_server.Stop();
  EXPECT_EQ(delayed.ReadToEnd(), "") << "no answer, and the connection ended";
}

}  // namespace
}  // namespace wendrix::test

#pragma once
// A small HTTP/1.1 server inside the test process, on 127.0.0.1 and an
// ephemeral port, answering each path with a scripted reply. The transfer,
// check and download tests point the library at it to meet real sockets:
// keep-alive connections, truncated bodies, slow servers.
//
// Every connection has its own thread. Requests are recorded in the order
// they arrive.
#include <winsock2.h>
#include <windows.h>

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "platform/unique_handle.h"

namespace wendrix::test {

// An owned socket.
struct SocketTraits {
  using Type = SOCKET;
  static Type Invalid() noexcept { return INVALID_SOCKET; }
  static bool IsValid(Type s) noexcept { return s != INVALID_SOCKET; }
  static void Close(Type s) noexcept { closesocket(s); }
};
using UniqueSocket = UniqueHandle<SocketTraits>;

struct HttpRequest {
  std::string method;  // "GET"
  std::string target;  // "/a/b?x", as sent
  // In the order received, names as sent, values without surrounding blanks.
  std::vector<std::pair<std::string, std::string>> headers;

  // The first header of that name (case-insensitive); "" when absent.
  std::string Header(std::string_view name) const;
};

struct HttpReply {
  // The whole status line and headers including the final "\r\n\r\n", sent
  // as is: a script may lie in Content-Length or omit it.
  std::string head;
  std::string body;
  // Sends only this many body bytes, then closes the connection (a dropped
  // connection).
  std::size_t bodyBytesToSend = std::string::npos;
  DWORD delayMs = 0;  // waits this long before sending anything
  // Closes the connection after this reply (otherwise it stays open for the
  // next request). The head should then say "Connection: close" if the
  // client is to know beforehand.
  bool close = false;
};

// A reply with `body` and the head "HTTP/1.1 <status> <reason>", then
// "Content-Length: <body size>", then `extraHeaders` ("Name: value\r\n"
// lines; a missing final "\r\n" is added).
HttpReply MakeReply(int status, std::string_view reason, std::string body, std::string extraHeaders = "");

class TestHttpServer {
 public:
  // Called on the connection's thread for every request to its path, so
  // possibly on several threads at once.
  using Handler = std::function<HttpReply(const HttpRequest&)>;

  // Winsock is started for as long as the server lives, so that a test's
  // own client sockets may use it too.
  TestHttpServer();
  TestHttpServer(const TestHttpServer&) = delete;
  TestHttpServer& operator=(const TestHttpServer&) = delete;
  // Stops the server (see Stop).
  ~TestHttpServer();

  // Listens on 127.0.0.1 on a port the system chooses. False when Winsock or
  // the socket fails, or the server was already started.
  bool Start();
  // The port listened on; 0 before Start.
  unsigned short Port() const { return m_port; }
  // L"http://127.0.0.1:PORT" followed by `target` ("/a?b").
  std::wstring Url(std::string_view target) const;

  // Answers requests whose path (the target without its query; a request
  // sent to a proxy keeps its absolute form, "http://host/a") is `path`;
  // registering a path again replaces its handler. Other paths get 404.
  // May be called while the server runs.
  void On(std::string path, Handler handler);
  // The same reply every time.
  void On(std::string path, HttpReply reply);

  // Every request received so far, in order (a copy; thread-safe).
  std::vector<HttpRequest> Requests() const;
  // How many requests came for `path` (the target without its query).
  std::size_t CountFor(std::string_view path) const;

  // Stops listening, ends every connection (delayed or idle ones included)
  // and joins every thread. Requests stay readable. Idempotent.
  void Stop();

 private:
  void AcceptLoop();
  void Serve(UniqueSocket socket);

  bool m_winsock = false;
  mutable std::mutex m_mutex;  // guards the handlers and the requests
  std::map<std::string, Handler, std::less<>> m_handlers;
  std::vector<HttpRequest> m_requests;
  // Set by Start and Stop only; the threads read them meanwhile.
  UniqueKernelObject m_stop;
  UniqueSocket m_listener;
  unsigned short m_port = 0;
  std::thread m_acceptThread;
  std::vector<std::thread> m_workers;  // the accept thread's until Stop joins it
};

}  // namespace wendrix::test

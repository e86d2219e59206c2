#include "http_server.h"

#include <winsock2.h>

#include <algorithm>
#include <atomic>
#include <list>
#include <map>
#include <mutex>
#include <system_error>
#include <thread>

#include "platform/unique_handle.h"

namespace wendrix::test {
namespace {

struct WsaEventTraits {
  using Type = WSAEVENT;
  static Type Invalid() noexcept { return WSA_INVALID_EVENT; }
  static bool IsValid(Type e) noexcept { return e != WSA_INVALID_EVENT; }
  static void Close(Type e) noexcept { WSACloseEvent(e); }
};
using UniqueWsaEvent = UniqueHandle<WsaEventTraits>;

constexpr std::size_t kReceiveChunk = 64 * 1024;
constexpr std::size_t kSendChunk = 1024 * 1024;
// How long a closing connection keeps reading what the client still sends.
constexpr DWORD kLingerMs = 2000;
// Every wait for the network ends at least this often and the operation is
// tried again: a network event lost by the socket layer (Wine's included)
// then costs a second, not a hung test.
constexpr DWORD kRecheckMs = 1000;

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
}

std::string_view TrimBlanks(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// Parses a head without its final empty line: "METHOD TARGET VERSION", then
// "Name: value" lines. The library sends no request bodies.
bool ParseHead(std::string_view head, HttpRequest& request) {
  const std::size_t lineEnd = std::min(head.find("\r\n"), head.size());
  const std::string_view line = head.substr(0, lineEnd);
  const std::size_t space1 = line.find(' ');
  const std::size_t space2 = line.rfind(' ');
  if (space1 == std::string_view::npos || space2 <= space1 + 1) return false;
  request.method = line.substr(0, space1);
  request.target = line.substr(space1 + 1, space2 - space1 - 1);
  for (head.remove_prefix(std::min(lineEnd + 2, head.size())); !head.empty();) {
    const std::size_t end = std::min(head.find("\r\n"), head.size());
    const std::string_view field = head.substr(0, end);
    const std::size_t colon = field.find(':');
    if (colon == std::string_view::npos) return false;
    request.headers.emplace_back(field.substr(0, colon), TrimBlanks(field.substr(colon + 1)));
    head.remove_prefix(std::min(end + 2, head.size()));
  }
  return true;
}

// The target without its query: what the server matches its paths against.
std::string PathOf(const HttpRequest& request) { return request.target.substr(0, request.target.find('?')); }

// One accepted connection. The socket is non-blocking and tied to an event,
// so that every wait also ends when the server's stop event is set: no
// thread ever sits in a blocking call that only closing the socket under it
// could end.
class Channel {
 public:
  enum class Io { kOk, kClosed, kStopped, kTimedOut };

  Channel(UniqueSocket socket, HANDLE stop) : m_socket(std::move(socket)), m_event(WSACreateEvent()), m_stop(stop) {
    // Replies go out as head then body; without this the body could wait
    // for the client's delayed acknowledgement of the head.
    const BOOL noDelay = TRUE;
    setsockopt(m_socket.Get(), IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay), sizeof noDelay);
    m_ok = m_event && WSAEventSelect(m_socket.Get(), m_event.Get(), FD_READ | FD_WRITE | FD_CLOSE) == 0;
  }
  bool Ok() const noexcept { return m_ok; }

  // Appends what has arrived, waiting for at least one byte.
  Io Receive(std::string& out, DWORD timeoutMs = INFINITE) {
    const ULONGLONG start = GetTickCount64();
    char buffer[kReceiveChunk];
    for (;;) {
      if (Stopped()) return Io::kStopped;
      const int received = recv(m_socket.Get(), buffer, sizeof buffer, 0);
      if (received > 0) {
        out.append(buffer, static_cast<std::size_t>(received));
        return Io::kOk;
      }
      if (received == 0 || WSAGetLastError() != WSAEWOULDBLOCK) return Io::kClosed;
      const DWORD left = Remaining(start, timeoutMs);
      if (left == 0) return Io::kTimedOut;
      if (!Wait(left)) return Io::kClosed;
    }
  }

  // Sends all of `data`, in large pieces, as fast as the client reads.
  Io Send(std::string_view data) {
    while (!data.empty()) {
      if (Stopped()) return Io::kStopped;
      const int piece = static_cast<int>(std::min(data.size(), kSendChunk));
      const int sent = send(m_socket.Get(), data.data(), piece, 0);
      if (sent > 0) {
        data.remove_prefix(static_cast<std::size_t>(sent));
        continue;
      }
      if (sent == SOCKET_ERROR && WSAGetLastError() != WSAEWOULDBLOCK) return Io::kClosed;
      if (!Wait(INFINITE)) return Io::kClosed;
    }
    return Io::kOk;
  }

  // Reads and discards until the client closes, the server stops or the
  // time runs out.
  void Drain(DWORD timeoutMs) {
    const ULONGLONG start = GetTickCount64();
    std::string sink;
    for (DWORD left; (left = Remaining(start, timeoutMs)) != 0;) {
      sink.clear();
      if (Receive(sink, left) != Io::kOk) return;
    }
  }

  // Ends the connection in order: the client sees the end of the data after
  // everything sent. Closing a socket with unread data would reset the
  // connection instead, and a reset can destroy a reply the client has not
  // read yet, so what the client still sends is read first, for a while.
  void CloseGracefully() {
    shutdown(m_socket.Get(), SD_SEND);
    Drain(kLingerMs);
  }

  // False when the server stopped during the pause.
  bool Pause(DWORD milliseconds) const { return WaitForSingleObject(m_stop, milliseconds) == WAIT_TIMEOUT; }

 private:
  // What is left of `timeoutMs` since `start`: 0 once it has passed.
  static DWORD Remaining(ULONGLONG start, DWORD timeoutMs) {
    if (timeoutMs == INFINITE) return INFINITE;
    const ULONGLONG elapsed = GetTickCount64() - start;
    return elapsed >= timeoutMs ? 0 : static_cast<DWORD>(timeoutMs - elapsed);
  }

  bool Stopped() const { return WaitForSingleObject(m_stop, 0) != WAIT_TIMEOUT; }

  // Waits for a network event, the stop or the time; the caller then tries
  // its operation again. False when the wait itself fails.
  bool Wait(DWORD timeoutMs) {
    const HANDLE handles[] = {m_stop, m_event.Get()};
    const DWORD result = WaitForMultipleObjects(2, handles, FALSE, std::min(timeoutMs, kRecheckMs));
    if (result == WAIT_FAILED) return false;
    if (result == WAIT_OBJECT_0 + 1) {
      // Clears the recorded events and resets the event for the next ones.
      WSANETWORKEVENTS events{};
      WSAEnumNetworkEvents(m_socket.Get(), m_event.Get(), &events);
    }
    return true;
  }

  UniqueSocket m_socket;
  UniqueWsaEvent m_event;
  HANDLE m_stop;
  bool m_ok = false;
};

// Reads one request from `pending` and the channel; what arrived beyond it
// stays in `pending` for the next one. False when the connection ends or
// the request does not parse.
bool ReadRequest(Channel& channel, std::string& pending, HttpRequest& request) {
  std::size_t headEnd;
  while ((headEnd = pending.find("\r\n\r\n")) == std::string::npos)
    if (channel.Receive(pending) != Channel::Io::kOk) return false;
  const bool parsed = ParseHead(std::string_view(pending).substr(0, headEnd), request);
  pending.erase(0, headEnd + 4);
  return parsed;
}

}  // namespace

std::string HttpRequest::Header(std::string_view name) const {
  for (const auto& [headerName, value] : headers)
    if (EqualsNoCase(headerName, name)) return value;
  return {};
}

HttpReply MakeReply(int status, std::string_view reason, std::string body, std::string extraHeaders) {
  if (!extraHeaders.empty() && !extraHeaders.ends_with("\r\n")) extraHeaders += "\r\n";
  HttpReply reply;
  reply.head = "HTTP/1.1 " + std::to_string(status) + " " + std::string(reason) + "\r\nContent-Length: " +
               std::to_string(body.size()) + "\r\n" + extraHeaders + "\r\n";
  reply.body = std::move(body);
  return reply;
}

WinsockSession::WinsockSession() {
  WSADATA data{};
  m_ok = WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

WinsockSession::~WinsockSession() {
  if (m_ok) WSACleanup();
}

class TestHttpServer::Impl {
 public:
  // Declared first so that it ends last, after every socket.
  WinsockSession winsock;

  mutable std::mutex mutex;  // guards the three members below
  std::map<std::string, Handler, std::less<>> handlers;
  std::vector<HttpRequest> requests;
  std::map<std::string, std::size_t, std::less<>> counts;

  // Set by Start and Stop only; the accept thread reads them meanwhile.
  UniqueKernelObject stopEvent;
  UniqueSocket listener;
  UniqueWsaEvent acceptEvent;
  unsigned short port = 0;
  std::thread acceptThread;

  struct Worker {
    std::thread thread;
    std::atomic<bool> done{false};
  };
  // Touched by the accept thread while it runs, then by Stop.
  std::list<Worker> workers;

  void AcceptLoop() {
    const HANDLE handles[] = {stopEvent.Get(), acceptEvent.Get()};
    while (WaitForMultipleObjects(2, handles, FALSE, INFINITE) == WAIT_OBJECT_0 + 1) {
      WSANETWORKEVENTS events{};
      WSAEnumNetworkEvents(listener.Get(), acceptEvent.Get(), &events);
      // Several clients may be waiting behind one event.
      while (UniqueSocket connection{accept(listener.Get(), nullptr, nullptr)}) StartWorker(std::move(connection));
      JoinFinishedWorkers();
    }
  }

  void StartWorker(UniqueSocket connection) {
    // Sockets are inheritable by default; a child process started by a
    // test must not keep a connection open after the server has closed it.
    SetHandleInformation(reinterpret_cast<HANDLE>(connection.Get()), HANDLE_FLAG_INHERIT, 0);
    Worker& worker = workers.emplace_back();
    try {
      worker.thread = std::thread([this, &worker, socket = std::move(connection)]() mutable {
        try {
          Serve(std::move(socket));
        } catch (...) {  // a handler that threw, or out of memory: the connection ends
        }
        worker.done = true;
      });
    } catch (const std::system_error&) {
      workers.pop_back();
    }
  }

  void JoinFinishedWorkers() {
    for (auto it = workers.begin(); it != workers.end();) {
      if (it->done) {
        it->thread.join();
        it = workers.erase(it);
      } else {
        ++it;
      }
    }
  }

  void Serve(UniqueSocket socket) {
    Channel channel(std::move(socket), stopEvent.Get());
    if (!channel.Ok()) return;
    std::string pending;
    for (HttpRequest request; ReadRequest(channel, pending, request); request = {})
      if (!Answer(channel, request, Dispatch(request))) return;
  }

  // Records the request and asks its handler for the reply.
  HttpReply Dispatch(const HttpRequest& request) {
    const std::string path = PathOf(request);
    Handler handler;
    {
      std::lock_guard lock(mutex);
      requests.push_back(request);
      ++counts[path];
      if (const auto it = handlers.find(path); it != handlers.end()) handler = it->second;
    }
    return handler ? handler(request) : MakeReply(404, "Not Found", "Not Found\n");
  }

  // Sends the reply; true when the connection stays open for another request.
  static bool Answer(Channel& channel, const HttpRequest& request, const HttpReply& reply) {
    if (reply.delayMs != 0 && !channel.Pause(reply.delayMs)) return false;
    const bool truncated = reply.bodyBytesToSend != std::string::npos;
    const std::string_view body = std::string_view(reply.body).substr(0, reply.bodyBytesToSend);
    if (channel.Send(reply.head) != Channel::Io::kOk || channel.Send(body) != Channel::Io::kOk) return false;
    if (truncated || reply.close || EqualsNoCase(request.Header("Connection"), "close")) {
      channel.CloseGracefully();
      return false;
    }
    return true;
  }
};

TestHttpServer::TestHttpServer() : m_impl(std::make_unique<Impl>()) {}

TestHttpServer::~TestHttpServer() { Stop(); }

bool TestHttpServer::Start() {
  Impl& impl = *m_impl;
  if (impl.acceptThread.joinable() || !impl.winsock.Ok()) return false;
  UniqueSocket listener(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
  if (!listener) return false;
  SetHandleInformation(reinterpret_cast<HANDLE>(listener.Get()), HANDLE_FLAG_INHERIT, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int addressLength = sizeof address;
  if (bind(listener.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      listen(listener.Get(), SOMAXCONN) != 0 ||
      getsockname(listener.Get(), reinterpret_cast<sockaddr*>(&address), &addressLength) != 0)
    return false;
  UniqueKernelObject stopEvent(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  UniqueWsaEvent acceptEvent(WSACreateEvent());
  if (!stopEvent || !acceptEvent || WSAEventSelect(listener.Get(), acceptEvent.Get(), FD_ACCEPT) != 0) return false;

  impl.listener = std::move(listener);
  impl.stopEvent = std::move(stopEvent);
  impl.acceptEvent = std::move(acceptEvent);
  impl.port = ntohs(address.sin_port);
  try {
    impl.acceptThread = std::thread([&impl] { impl.AcceptLoop(); });
  } catch (const std::system_error&) {
    impl.listener.Reset();
    impl.port = 0;
    return false;
  }
  return true;
}

unsigned short TestHttpServer::Port() const { return m_impl->port; }

std::wstring TestHttpServer::Url(std::string_view target) const {
  std::wstring url = L"http://127.0.0.1:" + std::to_wstring(m_impl->port);
  if (target.empty()) return url;
  const int length = MultiByteToWideChar(CP_UTF8, 0, target.data(), static_cast<int>(target.size()), nullptr, 0);
  const std::size_t prefix = url.size();
  url.resize(prefix + static_cast<std::size_t>(std::max(length, 0)));
  MultiByteToWideChar(CP_UTF8, 0, target.data(), static_cast<int>(target.size()), url.data() + prefix, length);
  return url;
}

void TestHttpServer::On(std::string path, Handler handler) {
  std::lock_guard lock(m_impl->mutex);
  m_impl->handlers[std::move(path)] = std::move(handler);
}

void TestHttpServer::On(std::string path, HttpReply reply) {
  On(std::move(path), [reply = std::move(reply)](const HttpRequest&) { return reply; });
}

std::vector<HttpRequest> TestHttpServer::Requests() const {
  std::lock_guard lock(m_impl->mutex);
  return m_impl->requests;
}

std::size_t TestHttpServer::CountFor(std::string_view path) const {
  std::lock_guard lock(m_impl->mutex);
  const auto it = m_impl->counts.find(path);
  return it == m_impl->counts.end() ? 0 : it->second;
}

void TestHttpServer::Stop() {
  Impl& impl = *m_impl;
  if (!impl.acceptThread.joinable()) return;
  SetEvent(impl.stopEvent.Get());
  impl.acceptThread.join();
  for (Impl::Worker& worker : impl.workers) worker.thread.join();
  impl.workers.clear();
  impl.listener.Reset();
  impl.acceptEvent.Reset();
}

}  // namespace wendrix::test

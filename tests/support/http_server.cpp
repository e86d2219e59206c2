#include "http_server.h"

#include <string.h>

#include <algorithm>

namespace wendrix::test {
namespace {

constexpr ULONGLONG kNever = ~0ull;
// How long a closing connection keeps reading what the client still sends.
constexpr ULONGLONG kLingerMs = 2000;

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && _strnicmp(a.data(), b.data(), a.size()) == 0;
}

std::string Trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return std::string(text.substr(first, text.find_last_not_of(" \t") - first + 1));
}

// Parses a head without its final empty line: "METHOD TARGET VERSION", then
// "Name: value" lines. The library sends no request bodies.
bool ParseHead(std::string_view head, HttpRequest& request) {
  std::vector<std::string_view> lines;
  for (std::size_t end; (end = head.find("\r\n")) != std::string_view::npos; head.remove_prefix(end + 2))
    lines.push_back(head.substr(0, end));
  lines.push_back(head);
  const std::string_view line = lines[0];
  const std::size_t space1 = line.find(' '), space2 = line.rfind(' ');
  if (space1 == std::string_view::npos || space2 <= space1 + 1) return false;
  request.method = line.substr(0, space1);
  request.target = line.substr(space1 + 1, space2 - space1 - 1);
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const std::size_t colon = lines[i].find(':');
    if (colon == std::string_view::npos) return false;
    request.headers.emplace_back(lines[i].substr(0, colon), Trimmed(lines[i].substr(colon + 1)));
  }
  return true;
}

// The target without its query: what the server matches its paths against.
std::string_view PathOf(const HttpRequest& request) {
  return std::string_view(request.target).substr(0, request.target.find('?'));
}

// Waits until `socket` can be read (or written). Every wait is short and
// the stop event is looked at between them, so no thread ever sits in a
// call that only closing the socket under it could end. False when the
// server stops, the time runs out or the socket fails.
bool Ready(SOCKET socket, HANDLE stop, bool write, ULONGLONG deadline = kNever) {
  while (WaitForSingleObject(stop, 0) == WAIT_TIMEOUT && GetTickCount64() < deadline) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(socket, &set);
    timeval tick{0, 50000};
    const int ready = select(0, write ? nullptr : &set, write ? &set : nullptr, nullptr, &tick);
    if (ready != 0) return ready > 0;
  }
  return false;
}

// Appends what has arrived, waiting for at least one byte; false when the
// connection ends or the wait does.
bool Receive(SOCKET socket, HANDLE stop, std::string& out, ULONGLONG deadline = kNever) {
  char buffer[64 * 1024];
  while (Ready(socket, stop, false, deadline)) {
    const int received = recv(socket, buffer, sizeof buffer, 0);
    if (received > 0) {
      out.append(buffer, static_cast<std::size_t>(received));
      return true;
    }
    if (received == 0 || WSAGetLastError() != WSAEWOULDBLOCK) return false;
  }
  return false;
}

// Sends all of `data`, as fast as the client reads.
bool Send(SOCKET socket, HANDLE stop, std::string_view data) {
  while (!data.empty()) {
    if (!Ready(socket, stop, true)) return false;
    const int sent = send(socket, data.data(), static_cast<int>(std::min<std::size_t>(data.size(), 1 << 20)), 0);
    if (sent > 0) data.remove_prefix(static_cast<std::size_t>(sent));
    else if (WSAGetLastError() != WSAEWOULDBLOCK) return false;
  }
  return true;
}

// Sockets are inheritable by default; a child process started by a test
// must not keep a connection open after the server has closed it.
void Prepare(SOCKET socket) {
  SetHandleInformation(reinterpret_cast<HANDLE>(socket), HANDLE_FLAG_INHERIT, 0);
  u_long nonBlocking = 1;
  ioctlsocket(socket, FIONBIO, &nonBlocking);
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

TestHttpServer::TestHttpServer() {
  WSADATA data{};
  m_winsock = WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

TestHttpServer::~TestHttpServer() {
  Stop();
  if (m_winsock) WSACleanup();
}

bool TestHttpServer::Start() {
  if (m_acceptThread.joinable() || !m_winsock) return false;
  UniqueSocket listener(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
  if (!listener) return false;
  Prepare(listener.Get());
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int addressLength = sizeof address;
  if (bind(listener.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      listen(listener.Get(), SOMAXCONN) != 0 ||
      getsockname(listener.Get(), reinterpret_cast<sockaddr*>(&address), &addressLength) != 0)
    return false;
  m_stop.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!m_stop) return false;
  m_listener = std::move(listener);
  m_port = ntohs(address.sin_port);
  m_acceptThread = std::thread([this] { AcceptLoop(); });
  return true;
}

void TestHttpServer::AcceptLoop() {
  while (Ready(m_listener.Get(), m_stop.Get(), false)) {
    // Several clients may be waiting behind one readiness.
    while (UniqueSocket connection{accept(m_listener.Get(), nullptr, nullptr)}) {
      Prepare(connection.Get());
      m_workers.emplace_back([this, socket = std::move(connection)]() mutable {
        try {
          Serve(std::move(socket));
        } catch (...) {  // a handler that threw, or out of memory: the connection ends
        }
      });
    }
  }
}

void TestHttpServer::Serve(UniqueSocket socket) {
  // Replies go out as head then body; without this the body could wait for
  // the client's delayed acknowledgement of the head.
  const BOOL noDelay = TRUE;
  setsockopt(socket.Get(), IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay), sizeof noDelay);
  const HANDLE stop = m_stop.Get();
  std::string pending;
  for (;;) {
    std::size_t headEnd;
    while ((headEnd = pending.find("\r\n\r\n")) == std::string::npos)
      if (!Receive(socket.Get(), stop, pending)) return;
    HttpRequest request;
    const bool parsed = ParseHead(std::string_view(pending).substr(0, headEnd), request);
    pending.erase(0, headEnd + 4);
    if (!parsed) return;
    Handler handler;
    {
      std::lock_guard lock(m_mutex);
      m_requests.push_back(request);
      if (const auto it = m_handlers.find(PathOf(request)); it != m_handlers.end()) handler = it->second;
    }
    const HttpReply reply = handler ? handler(request) : MakeReply(404, "Not Found", "Not Found\n");
    if (reply.delayMs != 0 && WaitForSingleObject(stop, reply.delayMs) != WAIT_TIMEOUT) return;
    const std::string_view body = std::string_view(reply.body).substr(0, reply.bodyBytesToSend);
    if (!Send(socket.Get(), stop, reply.head) || !Send(socket.Get(), stop, body)) return;
    if (reply.bodyBytesToSend != std::string::npos || reply.close || EqualsNoCase(request.Header("Connection"), "close")) {
      // Ends the connection in order: closing a socket with unread data
      // would reset it instead, and a reset can destroy a reply the client
      // has not read yet, so what the client still sends is read first.
      shutdown(socket.Get(), SD_SEND);
      const ULONGLONG deadline = GetTickCount64() + kLingerMs;
      for (std::string sink; Receive(socket.Get(), stop, sink, deadline); sink.clear()) {
      }
      return;
    }
  }
}

std::wstring TestHttpServer::Url(std::string_view target) const {
  std::wstring url = L"http://127.0.0.1:" + std::to_wstring(m_port);
  const int length = MultiByteToWideChar(CP_UTF8, 0, target.data(), static_cast<int>(target.size()), nullptr, 0);
  const std::size_t prefix = url.size();
  url.resize(prefix + static_cast<std::size_t>(std::max(length, 0)));
  if (length > 0)
    MultiByteToWideChar(CP_UTF8, 0, target.data(), static_cast<int>(target.size()), url.data() + prefix, length);
  return url;
}

void TestHttpServer::On(std::string path, Handler handler) {
  std::lock_guard lock(m_mutex);
  m_handlers[std::move(path)] = std::move(handler);
}

void TestHttpServer::On(std::string path, HttpReply reply) {
  On(std::move(path), [reply = std::move(reply)](const HttpRequest&) { return reply; });
}

std::vector<HttpRequest> TestHttpServer::Requests() const {
  std::lock_guard lock(m_mutex);
  return m_requests;
}

std::size_t TestHttpServer::CountFor(std::string_view path) const {
  std::lock_guard lock(m_mutex);
  return std::count_if(m_requests.begin(), m_requests.end(), [&](const HttpRequest& r) { return PathOf(r) == path; });
}

void TestHttpServer::Stop() {
  if (!m_acceptThread.joinable()) return;
  SetEvent(m_stop.Get());
  m_acceptThread.join();
  for (std::thread& worker : m_workers) worker.join();
  m_workers.clear();
  m_listener.Reset();
}

}  // namespace wendrix::test

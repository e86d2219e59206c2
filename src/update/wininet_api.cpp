#include "update/wininet_api.h"

#include <vector>

#include "frame/activation_scope.h"
#include "platform/system_library.h"

namespace wendrix {
namespace {

// The wide entry point exists but the system does not implement it.
bool WideNotImplemented() noexcept {
  const DWORD error = GetLastError();
  return error == ERROR_CALL_NOT_IMPLEMENTED || error == ERROR_NOT_SUPPORTED;
}

// A null wide text stays null on the ANSI side.
class Narrowed {
 public:
  explicit Narrowed(const wchar_t* text) : m_null(text == nullptr) {
    if (text) m_text = NarrowText(text);
  }
  char* Get() noexcept { return m_null ? nullptr : m_text.data(); }

 private:
  std::string m_text;
  bool m_null;
};

// WININET.DLL, loaded inside the library's activation context by the first
// transfer of the process and kept loaded until the process ends. Loading it
// sets up the URL cache, cookie and history containers and reads the proxy
// settings: about a hundred system calls. Freed when each fetch's context
// went away, it was loaded again for the next fetch, once per publisher of
// a check; a bare WinINet client never pays that. Null where the system has
// no WinINet (it does not appear while a process runs).
HMODULE WinInetModule() noexcept {
  static const HMODULE module = [] {
    ActivationScope scope;
    return LoadSystemLibrary(L"wininet.dll").Release();
  }();
  return module;
}

}  // namespace

std::string NarrowText(const std::wstring& text) {
  if (text.empty()) return {};
  const int size = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                       nullptr);
  std::string out(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
  if (size > 0)
    WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
  return out;
}

std::wstring WidenText(const char* text, int length) {
  if (!text || length == 0) return {};
  const int size = MultiByteToWideChar(CP_ACP, 0, text, length, nullptr, 0);
  std::wstring out(static_cast<std::size_t>(size > 0 ? size : 0), L'\0');
  if (size > 0) MultiByteToWideChar(CP_ACP, 0, text, length, out.data(), size);
  if (length < 0 && !out.empty() && out.back() == L'\0') out.pop_back();
  return out;
}

WinInetApi::WinInetApi() {
  m_module = WinInetModule();
  if (!m_module) return;
  m_canonicalizeW = Bind<decltype(m_canonicalizeW)>("InternetCanonicalizeUrlW");
  m_canonicalizeA = Bind<decltype(m_canonicalizeA)>("InternetCanonicalizeUrlA");
  m_openW = Bind<decltype(m_openW)>("InternetOpenW");
  m_openA = Bind<decltype(m_openA)>("InternetOpenA");
  m_close = Bind<decltype(m_close)>("InternetCloseHandle");
  m_openUrlW = Bind<decltype(m_openUrlW)>("InternetOpenUrlW");
  m_openUrlA = Bind<decltype(m_openUrlA)>("InternetOpenUrlA");
  m_read = Bind<decltype(m_read)>("InternetReadFile");
  m_goOnline = Bind<decltype(m_goOnline)>("InternetGoOnlineW");
  if (!m_goOnline) m_goOnline = Bind<decltype(m_goOnline)>("InternetGoOnline");
  m_queryOptionW = Bind<decltype(m_queryOptionW)>("InternetQueryOptionW");
  m_queryOptionA = Bind<decltype(m_queryOptionA)>("InternetQueryOptionA");
  m_setOptionW = Bind<decltype(m_setOptionW)>("InternetSetOptionW");
  m_setOptionA = Bind<decltype(m_setOptionA)>("InternetSetOptionA");
  m_queryInfoW = Bind<decltype(m_queryInfoW)>("HttpQueryInfoW");
  m_queryInfoA = Bind<decltype(m_queryInfoA)>("HttpQueryInfoA");
  m_sendW = Bind<decltype(m_sendW)>("HttpSendRequestW");
  m_sendA = Bind<decltype(m_sendA)>("HttpSendRequestA");
  m_addHeadersW = Bind<decltype(m_addHeadersW)>("HttpAddRequestHeadersW");
  m_addHeadersA = Bind<decltype(m_addHeadersA)>("HttpAddRequestHeadersA");
  m_errorDlg = Bind<decltype(m_errorDlg)>("InternetErrorDlg");
  m_connectW = Bind<decltype(m_connectW)>("InternetConnectW");
  m_connectA = Bind<decltype(m_connectA)>("InternetConnectA");
  m_openRequestW = Bind<decltype(m_openRequestW)>("HttpOpenRequestW");
  m_openRequestA = Bind<decltype(m_openRequestA)>("HttpOpenRequestA");
  m_ftpGetFileSize = Bind<decltype(m_ftpGetFileSize)>("FtpGetFileSize");
  m_connectedState = Bind<decltype(m_connectedState)>("InternetGetConnectedState");
  m_crackW = Bind<decltype(m_crackW)>("InternetCrackUrlW");
  m_crackA = Bind<decltype(m_crackA)>("InternetCrackUrlA");
  m_available = m_canonicalizeW && m_openW && m_close && m_openUrlW && m_read && m_connectW && m_openRequestW;
}

bool WinInetApi::CanonicalizeUrl(const std::wstring& url, DWORD flags, std::wstring& out) const {
  if (!m_canonicalizeW) return false;
  DWORD size = static_cast<DWORD>(url.size() * 3 + 16);
  for (int round = 0; round < 3; ++round) {
    std::vector<wchar_t> buffer(size + 1);
    DWORD length = size;
    if (m_canonicalizeW(url.c_str(), buffer.data(), &length, flags)) {
      out.assign(buffer.data(), length);
      return true;
    }
    if (GetLastError() == ERROR_INSUFFICIENT_BUFFER && length > size) {
      size = length;  // the size the call asks for, then once more
      continue;
    }
    if (!WideNotImplemented() || !m_canonicalizeA) return false;
    const std::string narrow = NarrowText(url);
    std::vector<char> ansi(size + 1);
    DWORD ansiLength = size;
    if (m_canonicalizeA(narrow.c_str(), ansi.data(), &ansiLength, flags)) {
      out = WidenText(ansi.data(), static_cast<int>(ansiLength));
      return true;
    }
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || ansiLength <= size) return false;
    size = ansiLength;
  }
  return false;
}

HINTERNET WinInetApi::Open(const wchar_t* agent, DWORD access, const wchar_t* proxy, const wchar_t* bypass) const {
  if (!m_openW) return nullptr;
  HINTERNET session = m_openW(agent, access, proxy, bypass, 0);
  if (session || !WideNotImplemented() || !m_openA) return session;
  Narrowed a(agent), p(proxy), b(bypass);
  return m_openA(a.Get(), access, p.Get(), b.Get(), 0);
}

HINTERNET WinInetApi::OpenUrl(HINTERNET session, const std::wstring& url, const wchar_t* headers, DWORD flags) const {
  if (!m_openUrlW) return nullptr;
  HINTERNET request = m_openUrlW(session, url.c_str(), headers, static_cast<DWORD>(-1), flags, 0);
  if (request || !WideNotImplemented() || !m_openUrlA) return request;
  Narrowed h(headers);
  return m_openUrlA(session, NarrowText(url).c_str(), h.Get(), static_cast<DWORD>(-1), flags, 0);
}

bool WinInetApi::Close(HINTERNET handle) const { return m_close && m_close(handle); }

bool WinInetApi::Read(HINTERNET request, void* buffer, DWORD size, DWORD& read) const {
  read = 0;
  return m_read && m_read(request, buffer, size, &read);
}

bool WinInetApi::GoOnline(const std::wstring& url, HWND window) const {
  return m_goOnline && m_goOnline(const_cast<wchar_t*>(url.c_str()), window, 0);
}

bool WinInetApi::QueryNumber(HINTERNET request, DWORD info, DWORD& value) const {
  DWORD size = sizeof(value), index = 0;
  if (m_queryInfoW && m_queryInfoW(request, info | HTTP_QUERY_FLAG_NUMBER, &value, &size, &index)) return true;
  if (!m_queryInfoW || !WideNotImplemented() || !m_queryInfoA) return false;
  size = sizeof(value);
  index = 0;
  return m_queryInfoA(request, info | HTTP_QUERY_FLAG_NUMBER, &value, &size, &index);
}

bool WinInetApi::QueryText(HINTERNET request, DWORD info, std::wstring& value) const {
  if (!m_queryInfoW) return false;
  std::vector<wchar_t> buffer(128);
  DWORD size = static_cast<DWORD>(buffer.size() * sizeof(wchar_t)), index = 0;
  BOOL ok = m_queryInfoW(request, info, buffer.data(), &size, &index);
  if (!ok && GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
    buffer.resize(size / sizeof(wchar_t) + 1);
    index = 0;
    ok = m_queryInfoW(request, info, buffer.data(), &size, &index);
  }
  if (ok) {
    value.assign(buffer.data(), size / sizeof(wchar_t));
    return true;
  }
  if (!WideNotImplemented() || !m_queryInfoA) return false;
  std::vector<char> ansi(1024);
  size = static_cast<DWORD>(ansi.size());
  index = 0;
  if (!m_queryInfoA(request, info, ansi.data(), &size, &index)) return false;
  value = WidenText(ansi.data(), static_cast<int>(size));
  return true;
}

bool WinInetApi::QuerySystemTime(HINTERNET request, DWORD info, SYSTEMTIME& value) const {
  DWORD size = sizeof(value), index = 0;
  const DWORD flags = info | HTTP_QUERY_FLAG_SYSTEMTIME;
  if (m_queryInfoW && m_queryInfoW(request, flags, &value, &size, &index)) return true;
  if (!m_queryInfoW || !WideNotImplemented() || !m_queryInfoA) return false;
  size = sizeof(value);
  index = 0;
  return m_queryInfoA(request, flags, &value, &size, &index);
}

bool WinInetApi::SetOption(HINTERNET handle, DWORD option, const void* value, DWORD size) const {
  if (!m_setOptionW) return false;
  if (m_setOptionW(handle, option, const_cast<void*>(value), size)) return true;
  return WideNotImplemented() && m_setOptionA && m_setOptionA(handle, option, const_cast<void*>(value), size);
}

bool WinInetApi::SetTextOption(HINTERNET handle, DWORD option, const std::wstring& value) const {
  if (!m_setOptionW) return false;
  if (m_setOptionW(handle, option, const_cast<wchar_t*>(value.c_str()), static_cast<DWORD>(value.size() + 1)))
    return true;
  if (!WideNotImplemented() || !m_setOptionA) return false;
  std::string narrow = NarrowText(value);
  return m_setOptionA(handle, option, narrow.data(), static_cast<DWORD>(narrow.size() + 1));
}

bool WinInetApi::QueryOption(HINTERNET handle, DWORD option, void* value, DWORD& size) const {
  if (!m_queryOptionW) return false;
  const DWORD given = size;
  if (m_queryOptionW(handle, option, value, &size)) return true;
  size = given;
  return WideNotImplemented() && m_queryOptionA && m_queryOptionA(handle, option, value, &size);
}

bool WinInetApi::AddHeaders(HINTERNET request, const std::wstring& headers, DWORD modifiers) const {
  if (!m_addHeadersW) return false;
  if (m_addHeadersW(request, headers.c_str(), static_cast<DWORD>(-1), modifiers)) return true;
  return WideNotImplemented() && m_addHeadersA &&
         m_addHeadersA(request, NarrowText(headers).c_str(), static_cast<DWORD>(-1), modifiers);
}

bool WinInetApi::SendRequest(HINTERNET request) const {
  if (!m_sendW) return false;
  if (m_sendW(request, nullptr, 0, nullptr, 0)) return true;
  return WideNotImplemented() && m_sendA && m_sendA(request, nullptr, 0, nullptr, 0);
}

DWORD WinInetApi::ErrorDialog(HWND window, HINTERNET request, DWORD error, DWORD flags) const {
  return m_errorDlg ? m_errorDlg(window, request, error, flags, nullptr) : ERROR_CALL_NOT_IMPLEMENTED;
}

bool WinInetApi::CrackHost(const std::wstring& url, DWORD flags, std::wstring& host) const {
  if (!m_crackW) return false;
  std::vector<wchar_t> buffer(INTERNET_MAX_HOST_NAME_LENGTH + 1);
  URL_COMPONENTSW parts{};
  parts.dwStructSize = sizeof(parts);
  parts.lpszHostName = buffer.data();
  parts.dwHostNameLength = static_cast<DWORD>(buffer.size());
  std::vector<wchar_t> copy(url.begin(), url.end());
  copy.push_back(L'\0');
  if (m_crackW(copy.data(), static_cast<DWORD>(url.size()), flags, &parts)) {
    host.assign(buffer.data(), parts.dwHostNameLength);
    return true;
  }
  if (!WideNotImplemented() || !m_crackA) return false;
  std::vector<char> ansiHost(INTERNET_MAX_HOST_NAME_LENGTH + 1);
  URL_COMPONENTSA ansiParts{};
  ansiParts.dwStructSize = sizeof(ansiParts);
  ansiParts.lpszHostName = ansiHost.data();
  ansiParts.dwHostNameLength = static_cast<DWORD>(ansiHost.size());
  const std::string narrow = NarrowText(url);
  if (!m_crackA(narrow.c_str(), static_cast<DWORD>(narrow.size()), flags, &ansiParts)) return false;
  host = WidenText(ansiHost.data(), static_cast<int>(ansiParts.dwHostNameLength));
  return true;
}

}  // namespace wendrix

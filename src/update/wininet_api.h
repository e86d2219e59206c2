#pragma once
// WinINet bound at run time, so that the library loads where WinINet is
// missing or old. Every call goes to the wide entry point first; when that
// one is not implemented (error 120 or 50) the ANSI twin is called with the
// texts converted through the ANSI code page.
#include <windows.h>
#include <wininet.h>

#include <string>
#include <utility>

#include "platform/unique_handle.h"

namespace wendrix {

class WinInetApi {
 public:
  WinInetApi();  // binds WININET.DLL, loaded once per process (see WinInetModule)
  WinInetApi(const WinInetApi&) = delete;
  WinInetApi& operator=(const WinInetApi&) = delete;

  // The entry points a transfer cannot do without were all found.
  bool Available() const noexcept { return m_available; }
  bool HasGoOnline() const noexcept { return m_goOnline != nullptr; }
  HMODULE Module() const noexcept { return m_module; }

  bool CanonicalizeUrl(const std::wstring& url, DWORD flags, std::wstring& out) const;
  HINTERNET Open(const wchar_t* agent, DWORD access, const wchar_t* proxy, const wchar_t* bypass) const;
  HINTERNET OpenUrl(HINTERNET session, const std::wstring& url, const wchar_t* headers, DWORD flags) const;
  bool Close(HINTERNET handle) const;
  bool Read(HINTERNET request, void* buffer, DWORD size, DWORD& read) const;
  bool GoOnline(const std::wstring& url, HWND window) const;
  bool QueryNumber(HINTERNET request, DWORD info, DWORD& value) const;  // HTTP_QUERY_FLAG_NUMBER
  bool QueryText(HINTERNET request, DWORD info, std::wstring& value) const;
  bool QuerySystemTime(HINTERNET request, DWORD info, SYSTEMTIME& value) const;
  bool SetOption(HINTERNET handle, DWORD option, const void* value, DWORD size) const;
  bool SetTextOption(HINTERNET handle, DWORD option, const std::wstring& value) const;
  bool QueryOption(HINTERNET handle, DWORD option, void* value, DWORD& size) const;
  bool AddHeaders(HINTERNET request, const std::wstring& headers, DWORD modifiers) const;
  bool SendRequest(HINTERNET request) const;
  DWORD ErrorDialog(HWND window, HINTERNET request, DWORD error, DWORD flags) const;
  bool CrackHost(const std::wstring& url, DWORD flags, std::wstring& host) const;

 private:
  template <class Fn>
  Fn Bind(const char* name) noexcept {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(m_module, name)));
  }

  HMODULE m_module = nullptr;  // not owned: WinINet stays loaded
  bool m_available = false;

  decltype(&InternetCanonicalizeUrlW) m_canonicalizeW = nullptr;
  decltype(&InternetCanonicalizeUrlA) m_canonicalizeA = nullptr;
  decltype(&InternetOpenW) m_openW = nullptr;
  decltype(&InternetOpenA) m_openA = nullptr;
  decltype(&InternetCloseHandle) m_close = nullptr;
  decltype(&InternetOpenUrlW) m_openUrlW = nullptr;
  decltype(&InternetOpenUrlA) m_openUrlA = nullptr;
  decltype(&InternetReadFile) m_read = nullptr;
  decltype(&InternetGoOnlineW) m_goOnline = nullptr;
  decltype(&InternetQueryOptionW) m_queryOptionW = nullptr;
  decltype(&InternetQueryOptionA) m_queryOptionA = nullptr;
  decltype(&InternetSetOptionW) m_setOptionW = nullptr;
  decltype(&InternetSetOptionA) m_setOptionA = nullptr;
  decltype(&HttpQueryInfoW) m_queryInfoW = nullptr;
  decltype(&HttpQueryInfoA) m_queryInfoA = nullptr;
  decltype(&HttpSendRequestW) m_sendW = nullptr;
  decltype(&HttpSendRequestA) m_sendA = nullptr;
  decltype(&HttpAddRequestHeadersW) m_addHeadersW = nullptr;
  decltype(&HttpAddRequestHeadersA) m_addHeadersA = nullptr;
  decltype(&InternetErrorDlg) m_errorDlg = nullptr;
  decltype(&InternetConnectW) m_connectW = nullptr;
  decltype(&InternetConnectA) m_connectA = nullptr;
  decltype(&HttpOpenRequestW) m_openRequestW = nullptr;
  decltype(&HttpOpenRequestA) m_openRequestA = nullptr;
  decltype(&FtpGetFileSize) m_ftpGetFileSize = nullptr;
  decltype(&InternetGetConnectedState) m_connectedState = nullptr;
  decltype(&InternetCrackUrlW) m_crackW = nullptr;
  decltype(&InternetCrackUrlA) m_crackA = nullptr;
};

// An internet handle closed through the bound entry point.
class InternetHandle {
 public:
  InternetHandle() = default;
  InternetHandle(const WinInetApi* api, HINTERNET handle) noexcept : m_api(api), m_handle(handle) {}
  InternetHandle(InternetHandle&& other) noexcept
      : m_api(other.m_api), m_handle(std::exchange(other.m_handle, nullptr)) {}
  InternetHandle& operator=(InternetHandle&& other) noexcept {
    if (this != &other) {
      Reset();
      m_api = other.m_api;
      m_handle = std::exchange(other.m_handle, nullptr);
    }
    return *this;
  }
  ~InternetHandle() { Reset(); }
  void Reset() noexcept {
    if (m_handle && m_api) m_api->Close(m_handle);
    m_handle = nullptr;
  }
  HINTERNET Get() const noexcept { return m_handle; }
  explicit operator bool() const noexcept { return m_handle != nullptr; }

 private:
  const WinInetApi* m_api = nullptr;
  HINTERNET m_handle = nullptr;
};

// Text conversions of the ANSI fallbacks (the ANSI code page).
std::string NarrowText(const std::wstring& text);
std::wstring WidenText(const char* text, int length = -1);

}  // namespace wendrix

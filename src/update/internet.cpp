#include "update/internet.h"

#include <raserror.h>

#include <algorithm>
#include <span>
#include <vector>

#include "core/insert_template.h"
#include "frame/messages.h"
#include "frame/module_state.h"
#include "platform/unique_handle.h"
#include "sysinfo/os_version_win.h"
#include "update/base64.h"
#include "update/settings.h"
#include "update/url_text.h"
#include "resources/string_ids.h"

namespace wendrix {
namespace {

constexpr wchar_t kDefaultUserAgentTemplate[] = L"Kestmoor Wendrix/%1 (%3; %4; %5)";
constexpr wchar_t kFallbackUserAgent[] = L"Kestmoor Wendrix";
constexpr wchar_t kAcceptHeader[] = L"Accept: */*\r\n";
// Progress is reported per block of these sizes; the reads themselves take
// many blocks at once, because each InternetReadFile call has a fixed cost
// (under Wine a 1 KB read loop moves only about 11 MB/s).
constexpr DWORD kFileBlock = 1000;
constexpr DWORD kNetworkBlock = 1024;
constexpr DWORD kBlocksPerRead = 64;
constexpr DWORD kShortResponse = 5921;  // wrapped: 0x80071721
// The most of a challenge's page read before answering it.
constexpr std::uint64_t kChallengeBodyLimit = 256 * 1024;

std::uint64_t FileTimeValue(const FILETIME& t) noexcept {
  return (static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                       nullptr);
  std::string out(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
  if (size > 0) WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
  return out;
}

template <std::size_t N>
void CopyField(wchar_t (&to)[N], const std::wstring& from) {
  lstrcpynW(to, from.c_str(), static_cast<int>(N));
}

}  // namespace

CInternet::CInternet() { m_dial.dwSize = sizeof(m_dial); }

CInternet::~CInternet() { Close(); }

void CInternet::SetUserAgent(const wchar_t* templateText) {
  const std::wstring format = templateText && *templateText ? templateText : kDefaultUserAgentTemplate;
  const std::wstring version = Module().version;
  const std::wstring system = OperatingSystemName();
  wchar_t country[16] = L"";
  GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SABBREVCTRYNAME, country, 16);
  SYSTEM_INFO info{};
  GetSystemInfo(&info);
  const std::wstring processors = std::to_wstring(info.dwNumberOfProcessors);
  const DWORD_PTR args[] = {reinterpret_cast<DWORD_PTR>(version.c_str()), reinterpret_cast<DWORD_PTR>(L""),
                            reinterpret_cast<DWORD_PTR>(system.c_str()), reinterpret_cast<DWORD_PTR>(country),
                            reinterpret_cast<DWORD_PTR>(processors.c_str())};
  // A user's template may name inserts beyond the five, or formats that
  // read further ("%1!*s!"): those read as empty, never past the array.
  const std::wstring checked = CheckedInsertTemplate(format, std::size(args));
  wchar_t* expanded = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ARGUMENT_ARRAY, checked.c_str(), 0,
      0, reinterpret_cast<LPWSTR>(&expanded), 0, reinterpret_cast<va_list*>(const_cast<DWORD_PTR*>(args)));
  const LocalText owned(expanded);
  m_userAgent = length && expanded ? std::wstring(expanded, length) : std::wstring(kFallbackUserAgent);
  // The agent goes out as a header line: a line break ("%n", "%r") in it
  // would start another header.
  for (wchar_t& c : m_userAgent)
    if (c < L' ') c = L' ';
  if (m_session) m_api.SetTextOption(m_session.Get(), INTERNET_OPTION_USER_AGENT, m_userAgent);
}

HRESULT CInternet::ApplySettings(const InternetSettings& s, bool keepLine) {
  m_dial = {};
  m_dial.dwSize = sizeof(m_dial);
  if (s.modem && !s.dialUpEntry.empty()) CopyField(m_dial.szEntryName, s.dialUpEntry);
  CopyField(m_dial.szUserName, s.credentials.dialUser);
  CopyField(m_dial.szPassword, s.credentials.dialPassword);
  CopyField(m_dial.szDomain, s.credentials.dialDomain);
  m_hangUp = keepLine ? false : s.hangUp != 0;
  m_useSystemSettings = false;
  m_proxyServer.clear();
  m_proxyUser.clear();
  m_proxyPassword.clear();
  m_bypassLocal = false;
  switch (s.proxyMode) {
    case kProxyExplicit:
      if (s.proxyServer.empty() || s.proxyServer[0] == L':') return E_INVALIDARG;
      m_proxyServer = s.proxyServer;
      m_proxyUser = s.credentials.proxyUser;
      m_proxyPassword = s.credentials.proxyPassword;
      m_bypassLocal = s.noProxyForLan != 0;
      break;
    case kProxySystem: m_useSystemSettings = true; break;
    default: break;
  }
  return S_OK;
}

RasApi* CInternet::Ras() {
  if (!m_rasBound) {
    m_rasBound = true;
    m_ras = std::make_unique<RasApi>();
  }
  return m_ras && m_ras->Available() ? m_ras.get() : nullptr;
}

HRESULT CInternet::Connect() {
  m_lastError = 0;
  m_lastRasError = 0;
  // Without WinINet only file: addresses can be fetched; Fetch refuses the rest.
  if (!m_session && m_api.Available()) {
    const DWORD access = m_useSystemSettings        ? INTERNET_OPEN_TYPE_PRECONFIG
                         : !m_proxyServer.empty() ? INTERNET_OPEN_TYPE_PROXY
                                                  : INTERNET_OPEN_TYPE_DIRECT;
    const wchar_t* bypass = m_bypassLocal && !m_useSystemSettings ? L"<local>" : nullptr;
    HINTERNET session =
        m_api.Open(m_userAgent.c_str(), access, m_proxyServer.empty() ? nullptr : m_proxyServer.c_str(), bypass);
    if (!session) {
      Record(GetLastError());
      return LastErrorResult();
    }
    m_session = InternetHandle(&m_api, session);
  }
  if (m_rasConnection || (!m_dial.szEntryName[0] && !m_dial.szPhoneNumber[0])) return S_OK;

  RasApi* ras = Ras();
  if (!ras) return E_NOINTERFACE;
  const std::wstring wanted =
      m_dial.szEntryName[0] ? std::wstring(m_dial.szEntryName) : L"." + std::wstring(m_dial.szPhoneNumber);
  std::vector<std::pair<std::wstring, HRASCONN>> active;
  if (ras->ActiveConnections(active) == ERROR_SUCCESS)
    for (const auto& [name, handle] : active)
      if (lstrcmpiW(name.c_str(), wanted.c_str()) == 0) return S_OK;  // someone else's line; never hung up here

  HRASCONN connection = nullptr;
  DWORD error = ras->Dial(m_dial, &connection);
  if (error == ERROR_SUCCESS) {
    RASCONNSTATE state = RASCS_Disconnected;
    error = ras->ConnectState(connection, state);
    if (error == ERROR_SUCCESS && state != RASCS_Connected) error = ERROR_NO_CONNECTION;
  }
  if (error != ERROR_SUCCESS) {
    m_lastRasError = error;
    if (connection && m_hangUp) ras->HangUp(connection);
    return E_FAIL;
  }
  m_rasConnection = connection;
  return S_OK;
}

void CInternet::Close() {
  if (m_rasConnection && m_hangUp) {
    if (RasApi* ras = Ras()) ras->HangUp(m_rasConnection);
  }
  m_rasConnection = nullptr;
  m_session.Reset();
}

HRESULT CInternet::Progress(std::uint32_t event, std::uint64_t value) {
  if (!m_progress) return S_OK;
  return m_progress(event, static_cast<DWORD>(value), static_cast<DWORD>(value >> 32), m_progressContext);
}

HRESULT CInternet::Fetch(const std::wstring& address, ByteSink& sink, DWORD openFlags, HWND parent) {
  m_parent = parent;
  m_lastError = 0;
  m_lastRasError = 0;
  std::wstring url = address;
  if (m_api.Available() && !m_api.CanonicalizeUrl(address, ICU_BROWSER_MODE, url)) {
    Record(GetLastError());
    return LastErrorResult();
  }
  RETURN_IF_FAILED(sink.Empty());
  if (IsFileUrl(url)) return FetchFile(url, sink);

  if (!m_api.Available() || !m_session) return E_NOINTERFACE;
  if (!m_api.HasGoOnline()) openFlags &= ~static_cast<DWORD>(INTERNET_FLAG_PRAGMA_NOCACHE);
  HINTERNET raw = m_api.OpenUrl(m_session.Get(), url, kAcceptHeader, openFlags);
  if (!raw && parent && m_api.HasGoOnline() && IsOffline() && m_api.GoOnline(url, parent))
    raw = m_api.OpenUrl(m_session.Get(), url, kAcceptHeader, openFlags);
  if (!raw) {
    Record(GetLastError());
    return LastErrorResult();
  }
  InternetHandle request(&m_api, raw);
  RETURN_IF_FAILED(HandleResponse(request.Get()));
  return ReadResponse(request.Get(), sink);
}

HRESULT CInternet::FetchFile(const std::wstring& url, ByteSink& sink) {
  std::wstring decoded = url;
  if (m_api.Available()) m_api.CanonicalizeUrl(url, ICU_DECODE | ICU_NO_ENCODE, decoded);
  const std::wstring path = FileUrlPath(decoded);
  UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    Record(GetLastError());
    return LastErrorResult();
  }
  FILETIME written{};
  LARGE_INTEGER size{};
  GetFileTime(file.Get(), nullptr, nullptr, &written);
  GetFileSizeEx(file.Get(), &size);
  // Any answer but S_OK ends the fetch with that answer: a caller that
  // already holds the resource says 1 at the begin event and reads nothing.
  if (const HRESULT stop = Progress(kProgressDate, FileTimeValue(written)); stop != S_OK) return stop;
  if (const HRESULT stop = Progress(kProgressSize, static_cast<std::uint64_t>(size.QuadPart)); stop != S_OK)
    return stop;
  if (const HRESULT stop = Progress(kProgressBegin, 0); stop != S_OK) return stop;
  std::vector<char> buffer(kFileBlock * kBlocksPerRead);
  std::uint64_t total = 0;
  for (;;) {
    DWORD read = 0;
    if (!ReadFile(file.Get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr)) {
      Record(GetLastError());
      return LastErrorResult();
    }
    if (read == 0) return S_OK;
    if (const HRESULT hr = Deliver({buffer.data(), read}, kFileBlock, sink, total); hr != S_OK) return hr;
  }
}

HRESULT CInternet::Deliver(std::span<const char> bytes, std::size_t block, ByteSink& sink, std::uint64_t& total) {
  for (std::size_t at = 0; at < bytes.size(); at += block) {
    const std::span<const char> piece = bytes.subspan(at, std::min(block, bytes.size() - at));
    // The sink's own reason: out of memory, a full disk, a cap reached.
    if (const HRESULT hr = sink.Append(piece); FAILED(hr)) return hr;
    total += piece.size();
    if (const HRESULT stop = Progress(kProgressBytes, total); stop != S_OK) return stop;
  }
  return S_OK;
}

bool CInternet::AnswerChallenge(HINTERNET request, bool proxy, int attempt) {
  if (attempt == 0) {
    const std::wstring& user = proxy ? m_proxyUser : m_serverUser;
    const std::wstring& password = proxy ? m_proxyPassword : m_serverPassword;
    if (user.empty() || password.empty()) return false;
    // The challenge's own body goes unread otherwise and blocks the resend.
    // A server that sends more than a page of it is not answered at all.
    char discard[kNetworkBlock];
    DWORD read = 0;
    std::uint64_t drained = 0;
    while (m_api.Read(request, discard, sizeof(discard), read) && read > 0) {
      drained += read;
      if (drained > kChallengeBodyLimit) return false;
    }
    const DWORD userOption = proxy ? INTERNET_OPTION_PROXY_USERNAME : INTERNET_OPTION_USERNAME;
    const DWORD passwordOption = proxy ? INTERNET_OPTION_PROXY_PASSWORD : INTERNET_OPTION_PASSWORD;
    if (m_api.SetTextOption(request, userOption, user) && m_api.SetTextOption(request, passwordOption, password))
      return m_api.SendRequest(request);
    const std::wstring header = std::wstring(proxy ? L"Proxy-Authorization" : L"Authorization") + L": Basic " +
                                WidenText(Base64Encode(Utf8(user + L":" + password)).c_str()) + L"\r\n";
    if (!m_api.AddHeaders(request, header, HTTP_ADDREQ_FLAG_ADD | HTTP_ADDREQ_FLAG_REPLACE)) return false;
    return m_api.SendRequest(request);
  }
  if (attempt == 1 && m_parent) {
    m_api.AddHeaders(request, proxy ? L"Proxy-Authorization:\r\n" : L"Authorization:\r\n", HTTP_ADDREQ_FLAG_REPLACE);
    const DWORD answer =
        m_api.ErrorDialog(m_parent, request, ERROR_SUCCESS,
                          FLAGS_ERROR_UI_FILTER_FOR_ERRORS | FLAGS_ERROR_UI_FLAGS_CHANGE_OPTIONS |
                              FLAGS_ERROR_UI_FLAGS_GENERATE_DATA);
    return answer == ERROR_INTERNET_FORCE_RETRY && m_api.SendRequest(request);
  }
  return false;
}

HRESULT CInternet::HandleResponse(HINTERNET request) {
  int serverAttempts = 0, proxyAttempts = 0;
  for (;;) {
    DWORD status = 0;
    if (!m_api.QueryNumber(request, HTTP_QUERY_STATUS_CODE, status)) status = 200;  // FTP and other schemes
    if (status == HTTP_STATUS_DENIED || status == HTTP_STATUS_PROXY_AUTH_REQ) {
      int& attempts = status == HTTP_STATUS_PROXY_AUTH_REQ ? proxyAttempts : serverAttempts;
      const bool resent = AnswerChallenge(request, status == HTTP_STATUS_PROXY_AUTH_REQ, attempts);
      ++attempts;
      if (resent) continue;
    }
    if (const std::uint32_t error = WinInetErrorForStatus(status)) Record(error);
    return S_OK;
  }
}

HRESULT CInternet::ReadResponse(HINTERNET request, ByteSink& sink) {
  // An error status has already decided the fetch: its page would only be
  // thrown away, and a server can make it as long as it likes.
  if (m_lastError >= 12000) return S_OK;
  std::optional<std::uint64_t> announced;
  if (m_progress) {
    SYSTEMTIME modified{};
    FILETIME date{};
    if (m_api.QuerySystemTime(request, HTTP_QUERY_LAST_MODIFIED, modified) && SystemTimeToFileTime(&modified, &date))
      if (const HRESULT stop = Progress(kProgressDate, FileTimeValue(date)); stop != S_OK) return stop;
  }
  std::wstring length;
  if (m_api.QueryText(request, HTTP_QUERY_CONTENT_LENGTH, length) && !length.empty() &&
      length.find_first_not_of(L"0123456789") == std::wstring::npos && length.size() <= 19)
    announced = std::stoull(length);
  if (m_progress) {
    if (announced)
      if (const HRESULT stop = Progress(kProgressSize, *announced); stop != S_OK) return stop;
    if (const HRESULT stop = Progress(kProgressBegin, 0); stop != S_OK) return stop;
  }
  std::vector<char> buffer(kNetworkBlock * kBlocksPerRead);
  std::uint64_t total = 0;
  for (;;) {
    DWORD read = 0;
    if (!m_api.Read(request, buffer.data(), static_cast<DWORD>(buffer.size()), read)) {
      Record(GetLastError());
      return LastErrorResult();
    }
    if (read == 0) break;
    if (const HRESULT hr = Deliver({buffer.data(), read}, kNetworkBlock, sink, total); hr != S_OK) return hr;
  }
  if (announced && total < *announced) return HResultFromWin32(kShortResponse);
  return S_OK;
}

std::wstring CInternet::GetWinInetErrorText(DWORD code) const {
  if (code < 12000 || !m_api.Module()) return {};
  return SystemMessageText(code, m_api.Module());
}

std::wstring CInternet::GetErrorText(ErrorCategory& category) const {
  category = ErrorCategory::kNone;
  if (m_lastRasError) {
    category = ErrorCategory::kRas;
    RasApi* ras = const_cast<CInternet*>(this)->Ras();
    return ras ? ras->ErrorText(m_lastRasError) : std::wstring();
  }
  if (!m_lastError) return {};
  if (m_lastError >= 12000) {
    category = ErrorCategory::kWinInet;
    return GetWinInetErrorText(m_lastError);
  }
  category = ErrorCategory::kSystem;
  return SystemMessageText(m_lastError);
}

std::vector<std::wstring> CInternet::EnumDialEntries() {
  std::vector<std::wstring> names;
  if (RasApi* ras = Ras()) ras->Entries(names);
  return names;
}

DWORD CInternet::EditDialEntry(HWND window, const std::wstring& entry) {
  RasApi* ras = Ras();
  return ras ? ras->EditEntry(window, entry) : ERROR_CALL_NOT_IMPLEMENTED;
}

bool CInternet::IsOffline() const {
  DWORD state = 0, size = sizeof(state);
  return m_api.QueryOption(nullptr, INTERNET_OPTION_CONNECTED_STATE, &state, size) &&
         (state & INTERNET_STATE_DISCONNECTED_BY_USER) != 0;
}

bool CInternet::SetOffline(bool offline) const {
  INTERNET_CONNECTED_INFO info{};
  info.dwConnectedState = offline ? INTERNET_STATE_DISCONNECTED_BY_USER : INTERNET_STATE_CONNECTED;
  info.dwFlags = offline ? ISO_FORCE_DISCONNECTED : 0;
  return m_api.SetOption(nullptr, INTERNET_OPTION_CONNECTED_STATE, &info, sizeof(info));
}

std::wstring CInternet::GetHostName(const std::wstring& url) const {
  std::wstring host;
  if (m_api.CrackHost(url, ICU_ESCAPE | ICU_DECODE, host) && !host.empty()) return host;
  return HostNameFromText(url);
}

bool EnsureOnline(HWND window) {
  CInternet internet;
  if (!internet.IsOffline()) return false;
  wchar_t text[4000];
  wchar_t title[200];
  LoadMessageString(nullptr, kStrWorkOfflineEnabled, text, 4000);
  LoadMessageString(nullptr, kStrAppNameTitle, title, 200);
  if (MessageBoxW(window, text, title, MB_OKCANCEL | MB_ICONQUESTION) != IDOK) return true;
  return !internet.SetOffline(false);
}

void HangUpAfterRun(const InternetSettings& settings) {
  CInternet internet;
  if (FAILED(internet.ApplySettings(settings, false))) return;
  internet.SetUserAgent(settings.userAgent.c_str());
  internet.Connect();
  internet.Close();
}

}  // namespace wendrix

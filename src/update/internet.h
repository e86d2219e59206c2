#pragma once
// CInternet: one transfer context. It binds WinINet (and RAS when dialling),
// opens a session with the product's user agent and the user's proxy,
// dials when configured, fetches one address into a sink with progress
// events, answers authentication challenges, and turns HTTP statuses into
// WinINet errors. Made per fetch, never shared between threads.
#include <windows.h>
#include <ras.h>

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "core/result.h"
#include "update/byte_sink.h"
#include "update/ras_api.h"
#include "update/wininet_api.h"

namespace wendrix {

struct InternetSettings;

// Progress events of a fetch: (event, low 32 bits, high 32 bits, context). A
// non-zero result, a success code such as 1 included, stops the fetch at once
// and becomes its result: 1 at the begin event means the caller needs none of
// the bytes, and the sink stays empty.
enum ProgressEvent : std::uint32_t { kProgressDate, kProgressSize, kProgressBegin, kProgressBytes };
using ProgressCallback = HRESULT (*)(std::uint32_t event, DWORD low, DWORD high, void* context);

// Open flags of publisher data files and of wallet downloads.
inline constexpr DWORD kDataFileOpenFlags = 0x84402100;  // RELOAD, NO_CACHE_WRITE, KEEP_CONNECTION, IGNORE_CERT_DATE_INVALID, PRAGMA_NOCACHE
inline constexpr DWORD kDownloadOpenFlags = 0x402000;    // KEEP_CONNECTION, IGNORE_CERT_DATE_INVALID
inline constexpr DWORD kDownloadNoCacheFlags = 0x84000100;  // RELOAD, NO_CACHE_WRITE, PRAGMA_NOCACHE
inline constexpr DWORD kNoCookiesFlag = INTERNET_FLAG_NO_COOKIES;

enum class ErrorCategory : int { kNone = 0, kSystem = 1, kWinInet = 2, kRas = 3 };

class CInternet {
 public:
  CInternet();
  CInternet(const CInternet&) = delete;
  CInternet& operator=(const CInternet&) = delete;
  ~CInternet();

  // The user agent from `templateText` (null or empty: the built-in one)
  // with the module version, the system's name, the user's country and the
  // processor count; also set on an open session.
  void SetUserAgent(const wchar_t* templateText);
  const std::wstring& UserAgent() const noexcept { return m_userAgent; }
  // Proxy, credentials and dial-up data from the settings. E_INVALIDARG for
  // an explicit proxy that is empty or begins with ":".
  HRESULT ApplySettings(const InternetSettings& settings, bool keepLine);
  void SetProgressCallback(ProgressCallback callback, void* context) noexcept {
    m_progress = callback;
    m_progressContext = context;
  }
  // Credentials for server challenges (no caller in the library sets them).
  void SetServerCredentials(std::wstring user, std::wstring password) {
    m_serverUser = std::move(user);
    m_serverPassword = std::move(password);
  }

  // Opens the session and dials when configured.
  HRESULT Connect();
  // Copies the resource at `url` into `sink`.
  HRESULT Fetch(const std::wstring& url, ByteSink& sink, DWORD openFlags, HWND parent);
  // Hangs up its own dial-up connection when told to, closes the session.
  void Close();

  // The failure a fetch recorded (Win32 below 12000, WinINet from 12000),
  // kept even when the fetch itself succeeded (an HTTP error status).
  DWORD LastError() const noexcept { return m_lastError; }
  DWORD LastRasError() const noexcept { return m_lastRasError; }
  // The text of the last failure, or empty; `category` tells its source.
  std::wstring GetErrorText(ErrorCategory& category) const;
  std::wstring GetWinInetErrorText(DWORD code) const;

  bool IsOffline() const;
  bool SetOffline(bool offline) const;
  // The host of an address, cut to `size` - 1 characters.
  std::wstring GetHostName(const std::wstring& url) const;

  // The phonebook's dial-up entries and the system's editor for one (for the
  // options dialog); empty, or the RAS error, when RAS is missing.
  std::vector<std::wstring> EnumDialEntries();
  DWORD EditDialEntry(HWND window, const std::wstring& entry);

  bool Available() const noexcept { return m_api.Available(); }
  const WinInetApi& Api() const noexcept { return m_api; }

 private:
  HRESULT FetchFile(const std::wstring& url, ByteSink& sink);
  HRESULT HandleResponse(HINTERNET request);
  HRESULT ReadResponse(HINTERNET request, ByteSink& sink);
  bool AnswerChallenge(HINTERNET request, bool proxy, int attempt);
  HRESULT Progress(std::uint32_t event, std::uint64_t value);
  // Appends `bytes` block by block, each followed by its progress event.
  HRESULT Deliver(std::span<const char> bytes, std::size_t block, ByteSink& sink, std::uint64_t& total);
  RasApi* Ras();
  void Record(DWORD error) noexcept { m_lastError = error; }

  WinInetApi m_api;
  std::unique_ptr<RasApi> m_ras;
  bool m_rasBound = false;
  InternetHandle m_session;
  HWND m_parent = nullptr;
  std::wstring m_userAgent;
  std::wstring m_proxyServer;
  std::wstring m_serverUser, m_serverPassword, m_proxyUser, m_proxyPassword;
  bool m_useSystemSettings = false;
  bool m_bypassLocal = true;
  bool m_hangUp = true;
  RASDIALPARAMSW m_dial{};
  HRASCONN m_rasConnection = nullptr;
  DWORD m_lastRasError = 0;
  DWORD m_lastError = 0;
  ProgressCallback m_progress = nullptr;
  void* m_progressContext = nullptr;
};

// The check's preflight: when the system works offline, asks the user
// (message 96, OK and Cancel, owned by `window`) and switches online on OK.
// True when the system stays offline.
bool EnsureOnline(HWND window);

// The end-of-run hang-up: a context that keeps no line connects and closes,
// hanging up a connection it dialled itself.
void HangUpAfterRun(const InternetSettings& settings);

}  // namespace wendrix

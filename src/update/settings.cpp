#include "update/settings.h"

#include <windows.h>

#include <new>
#include <optional>
#include <vector>

#include "core/date.h"
#include "core/text_encoding.h"
#include "platform/registry.h"
#include "platform/system_library.h"
#include "platform/unique_handle.h"
#include "update/settings_conversion.h"

namespace wendrix {
namespace {

constexpr wchar_t kSettingsMutex[] = L"WendrixMutex_Settings";

// Holds "WendrixMutex_Settings" for one load or save. Result() fails unless
// the mutex is held: a load or save without it could see or leave half a
// set of values.
class SettingsLock {
 public:
  SettingsLock() : m_mutex(CreateMutexW(nullptr, FALSE, kSettingsMutex)) {
    if (!m_mutex) {
      m_result = WrappedError(GetLastError());
      return;
    }
    m_locked.emplace(m_mutex.Get());
    if (!m_locked->Owned()) m_result = WrappedError(GetLastError());
  }
  HRESULT Result() const noexcept { return m_result; }

 private:
  static HRESULT WrappedError(DWORD error) noexcept {
    return HResultFromWin32(static_cast<long>(error ? error : ERROR_INVALID_HANDLE));
  }

  UniqueKernelObject m_mutex;         // declared first: released last
  std::optional<MutexLock> m_locked;  // an abandoned mutex counts as held
  HRESULT m_result = S_OK;
};

struct DwordValue {
  const wchar_t* name;
  std::uint32_t InternetSettings::*field;
  bool boolean;  // non-zero reads as 1
};

// In the order they are saved.
constexpr DwordValue kDwords[] = {
    {L"CheckWhenLaunched", &InternetSettings::checkWhenLaunched, true},
    {L"Modem", &InternetSettings::modem, true},
    {L"Proxy", &InternetSettings::proxyMode, false},
    {L"NoProxyForLAN", &InternetSettings::noProxyForLan, true},
    {L"HangUp", &InternetSettings::hangUp, true},
    {L"Prompt", &InternetSettings::prompt, true},
    {L"INIDebug", &InternetSettings::iniDebug, true},
    {L"CheckAttempts", &InternetSettings::checkAttempts, false},
    {L"CheckRetryPause", &InternetSettings::checkRetryPause, false},
    {L"CheckEvery3", &InternetSettings::checkPeriod, false},
    {L"OtherSoftware", &InternetSettings::otherSoftware, false},
    {L"Cookies", &InternetSettings::cookies, false},
    {L"MaxConcurrentDownloads", &InternetSettings::maxConcurrentDownloads, false},
    {L"MaxWalletDiskSpace", &InternetSettings::maxWalletDiskSpace, false},
};

std::optional<std::uint32_t> ReadDword(HKEY key, const wchar_t* name) {
  DWORD type = 0, value = 0, size = sizeof(value);
  if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
      type != REG_DWORD || size != sizeof(value))
    return std::nullopt;
  return value;
}

std::optional<std::vector<std::uint8_t>> ReadBinary(HKEY key, const wchar_t* name) {
  DWORD type = 0, size = 0;
  if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_BINARY)
    return std::nullopt;
  std::vector<std::uint8_t> bytes(size);
  if (RegQueryValueExW(key, name, nullptr, &type, bytes.data(), &size) != ERROR_SUCCESS) return std::nullopt;
  bytes.resize(size);
  return bytes;
}

LONG WriteDword(HKEY key, const wchar_t* name, std::uint32_t value) {
  const DWORD v = value;
  return RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), sizeof(v));
}

LONG WriteText(HKEY key, const wchar_t* name, const std::wstring& value) {
  return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                        static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

// Deleting a value that is not there is no failure.
LONG DeleteValue(HKEY key, const wchar_t* name) {
  const LONG error = RegDeleteValueW(key, name);
  return error == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : error;
}

std::wstring ReadText(HKEY key, const wchar_t* name, const wchar_t* fallback) {
  std::wstring value;
  return ReadRegistryString(key, name, value) == ERROR_SUCCESS ? value : std::wstring(fallback);
}

std::uint64_t ReadDate(HKEY key, const wchar_t* name) {
  std::wstring text;
  if (ReadRegistryString(key, name, text) != ERROR_SUCCESS) return 0;
  return ParseDate(text).value_or(0);
}

// The period of the current value, converting an older one when present.
std::uint32_t LoadCheckPeriod(HKEY key, bool canWrite) {
  std::optional<std::uint32_t> period;
  if (const auto older2 = ReadDword(key, L"CheckEvery2")) {
    const std::uint32_t v = *older2;
    period = v == 0 ? kPeriodManual : v == 1 ? kPeriodDaily : v <= 3 ? kPeriodWeekly : kPeriodMonthly;
    if (canWrite) RegDeleteValueW(key, L"CheckEvery2");
  } else if (const auto older = ReadDword(key, L"CheckEvery")) {
    const std::uint32_t v = *older;
    period = v == 0 ? kPeriodManual : v <= 2 ? kPeriodWeekly : kPeriodMonthly;
    if (canWrite) RegDeleteValueW(key, L"CheckEvery");
  }
  if (period) {
    if (canWrite) WriteDword(key, L"CheckEvery3", *period);
    return *period;
  }
  if (const auto current = ReadDword(key, L"CheckEvery3")) return *current;
  // Without any stored period, automatic checks are on where the system can
  // tell about new connections.
  UniqueModule ras = LoadSystemLibrary(L"rasapi32.dll");
  return ras && GetProcAddress(ras.Get(), "RasConnectionNotificationA") ? kPeriodWeekly : kPeriodManual;
}

void LoadLastCheckFrom(HKEY key, InternetSettings& s) {
  s.lastCheck = key ? ReadDate(key, L"LastCheck") : 0;
  s.lastSkip = key ? ReadDate(key, L"LastSkip") : 0;
  const auto result = key ? ReadDword(key, L"LastCheckResult") : std::nullopt;
  s.lastCheckResult = result.value_or(2);
}

HRESULT LoadInto(InternetSettings& s) {
  ConvertOlderSettings();
  UniqueHkey key;
  const bool writable =
      OpenRegistryKey(HKEY_CURRENT_USER, kSettingsKey, KEY_READ | KEY_SET_VALUE, key) == ERROR_SUCCESS;
  if (!writable) OpenRegistryKey(HKEY_CURRENT_USER, kSettingsKey, KEY_READ, key);
  s = InternetSettings{};
  HKEY k = key.Get();
  if (!k) {
    s.checkPeriod = LoadCheckPeriod(nullptr, false);
    return S_OK;
  }
  s.proxyServer = ReadText(k, L"ProxyServer", L":80");
  s.dialUpEntry = ReadText(k, L"DialUp", L"");
  s.userAgent = ReadText(k, L"UserAgent", L"");
  if (const auto block = ReadBinary(k, L"Authentication2"))
    s.credentials = ReadCredentialBlock(*block);
  else if (const auto older = ReadBinary(k, L"Authentication"))
    s.credentials = ReadOlderCredentialBlock(*older, SystemCodePage(CP_ACP));
  for (const DwordValue& v : kDwords) {
    const auto value = ReadDword(k, v.name);
    if (value) s.*v.field = v.boolean ? (*value != 0) : *value;
  }
  s.checkPeriod = LoadCheckPeriod(k, writable);
  if (!ReadDword(k, L"OtherSoftware")) {
    const auto notify = ReadDword(k, L"Notify");
    s.otherSoftware = notify && *notify == 1 ? 2 : 1;
  }
  LoadLastCheckFrom(k, s);
  return S_OK;
}

HRESULT OpenForWriting(UniqueHkey& key) {
  HKEY raw = nullptr;
  const LONG error = RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_READ | KEY_SET_VALUE,
                                     nullptr, &raw, nullptr);
  if (error != ERROR_SUCCESS) return HResultFromWin32(error);
  key.Reset(raw);
  return S_OK;
}

}  // namespace

std::uint64_t FileTimeNow() noexcept {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  return (static_cast<std::uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
}

HRESULT LoadSettings(std::unique_ptr<InternetSettings>& holder) {
  if (!holder) {
    holder.reset(new (std::nothrow) InternetSettings);
    if (!holder) return E_OUTOFMEMORY;
  }
  SettingsLock lock;
  RETURN_IF_FAILED(lock.Result());
  try {
    return LoadInto(*holder);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

HRESULT SaveSettings(const InternetSettings& s) {
  SettingsLock lock;
  RETURN_IF_FAILED(lock.Result());
  UniqueHkey key;
  RETURN_IF_FAILED(OpenForWriting(key));
  const auto text = [&](const wchar_t* name, const std::wstring& value) {
    return value.empty() ? DeleteValue(key.Get(), name) : WriteText(key.Get(), name, value);
  };
  LONG error = text(L"ProxyServer", s.proxyServer);
  if (error == ERROR_SUCCESS) error = text(L"DialUp", s.dialUpEntry);
  if (error == ERROR_SUCCESS) error = text(L"UserAgent", s.userAgent);
  if (error == ERROR_SUCCESS) {
    const std::vector<std::uint8_t> block = BuildCredentialBlock(s.credentials, GetTickCount());
    error = RegSetValueExW(key.Get(), L"Authentication2", 0, REG_BINARY, block.data(),
                           static_cast<DWORD>(block.size()));
  }
  for (const DwordValue& v : kDwords) {
    if (error != ERROR_SUCCESS) break;
    error = WriteDword(key.Get(), v.name, s.*v.field);
  }
  return error == ERROR_SUCCESS ? S_OK : HResultFromWin32(error);
}

HRESULT LoadLastCheck(InternetSettings& s) {
  SettingsLock lock;
  RETURN_IF_FAILED(lock.Result());
  UniqueHkey key;
  OpenRegistryKey(HKEY_CURRENT_USER, kSettingsKey, KEY_READ, key);
  LoadLastCheckFrom(key.Get(), s);
  return S_OK;
}

HRESULT SaveLastCheck(const InternetSettings& s) {
  SettingsLock lock;
  RETURN_IF_FAILED(lock.Result());
  UniqueHkey key;
  RETURN_IF_FAILED(OpenForWriting(key));
  LONG error = ERROR_SUCCESS;
  if (s.lastCheck == 0) {
    error = DeleteValue(key.Get(), L"LastCheck");
    if (error == ERROR_SUCCESS) error = DeleteValue(key.Get(), L"LastCheckResult");
  } else {
    if (!ParseDate(FormatDate(s.lastCheck))) return E_FAIL;
    error = WriteText(key.Get(), L"LastCheck", FormatDate(s.lastCheck));
    if (error == ERROR_SUCCESS) error = WriteDword(key.Get(), L"LastCheckResult", s.lastCheckResult);
  }
  if (error == ERROR_SUCCESS)
    error = s.lastSkip == 0 ? DeleteValue(key.Get(), L"LastSkip") : WriteText(key.Get(), L"LastSkip", FormatDate(s.lastSkip));
  return error == ERROR_SUCCESS ? S_OK : HResultFromWin32(error);
}

NextCheck NextCheckTime(const InternetSettings& settings, std::uint64_t* next) {
  return ComputeNextCheck(settings.checkPeriod, settings.lastCheck, settings.lastSkip, FileTimeNow(), next);
}

}  // namespace wendrix

#include "update/settings.h"

#include <windows.h>

#include <new>
#include <optional>
#include <vector>

#include "core/date.h"
#include "core/text_encoding.h"
#include "platform/registry.h"
#include "platform/system_library.h"
#include "platform/named_mutex.h"
#include "platform/unique_handle.h"
#include "registration/settings_conversion.h"

namespace wendrix {
namespace {

// Held for each load and save: without it, one could see or leave half a set
// of values.
constexpr wchar_t kSettingsMutex[] = L"WendrixMutex_Settings";

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

std::optional<std::uint32_t> ReadDword(const RegistryKey& key, const wchar_t* name) {
  std::uint32_t value = 0;
  if (key.ReadDword(name, value) != ERROR_SUCCESS) return std::nullopt;
  return value;
}

std::optional<std::vector<std::uint8_t>> ReadBinary(const RegistryKey& key, const wchar_t* name) {
  DWORD type = 0;
  std::vector<std::uint8_t> bytes;
  if (key.ReadBytes(name, type, bytes) != ERROR_SUCCESS || type != REG_BINARY) return std::nullopt;
  return bytes;
}

std::wstring ReadText(const RegistryKey& key, const wchar_t* name, const wchar_t* fallback) {
  std::wstring value;
  return key.ReadString(name, value) == ERROR_SUCCESS ? value : std::wstring(fallback);
}

std::uint64_t ReadDate(const RegistryKey& key, const wchar_t* name) {
  std::wstring text;
  if (key.ReadString(name, text) != ERROR_SUCCESS) return 0;
  return ParseDate(text).value_or(0);
}

// The period of the current value, converting an older one when present.
std::uint32_t LoadCheckPeriod(RegistryKey& key, bool canWrite) {
  std::optional<std::uint32_t> period;
  if (const auto older2 = ReadDword(key, L"CheckEvery2")) {
    const std::uint32_t v = *older2;
    period = v == 0 ? kPeriodManual : v == 1 ? kPeriodDaily : v <= 3 ? kPeriodWeekly : kPeriodMonthly;
    if (canWrite) key.DeleteValue(L"CheckEvery2");
  } else if (const auto older = ReadDword(key, L"CheckEvery")) {
    const std::uint32_t v = *older;
    period = v == 0 ? kPeriodManual : v <= 2 ? kPeriodWeekly : kPeriodMonthly;
    if (canWrite) key.DeleteValue(L"CheckEvery");
  }
  if (period) {
    if (canWrite) key.WriteDword(L"CheckEvery3", *period);
    return *period;
  }
  if (const auto current = ReadDword(key, L"CheckEvery3")) return *current;
  // Without any stored period, automatic checks are on where the system can
  // tell about new connections.
  UniqueModule ras = LoadSystemLibrary(L"rasapi32.dll");
  return ras && GetProcAddress(ras.Get(), "RasConnectionNotificationA") ? kPeriodWeekly : kPeriodManual;
}

void LoadLastCheckFrom(const RegistryKey& key, InternetSettings& s) {
  s.lastCheck = key ? ReadDate(key, L"LastCheck") : 0;
  s.lastSkip = key ? ReadDate(key, L"LastSkip") : 0;
  const auto result = key ? ReadDword(key, L"LastCheckResult") : std::nullopt;
  s.lastCheckResult = result.value_or(2);
}

HRESULT LoadInto(InternetSettings& s) {
  ConvertOlderSettings();
  RegistryKey k;
  const bool writable = k.Open(HKEY_CURRENT_USER, kSettingsKey, KEY_READ | KEY_SET_VALUE) == ERROR_SUCCESS;
  if (!writable) k.Open(HKEY_CURRENT_USER, kSettingsKey, KEY_READ);
  s = InternetSettings{};
  if (!k) {
    s.checkPeriod = LoadCheckPeriod(k, false);
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

HRESULT OpenForWriting(RegistryKey& key) {
  const LONG error = key.Create(HKEY_CURRENT_USER, kSettingsKey, KEY_READ | KEY_SET_VALUE);
  return error == ERROR_SUCCESS ? S_OK : HResultFromWin32(error);
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
  NamedMutexLock lock;
  RETURN_IF_FAILED(lock.Acquire(kSettingsMutex, MutexUsers::kThisUser));
  try {
    return LoadInto(*holder);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

HRESULT SaveSettings(const InternetSettings& s) {
  NamedMutexLock lock;
  RETURN_IF_FAILED(lock.Acquire(kSettingsMutex, MutexUsers::kThisUser));
  RegistryKey key;
  RETURN_IF_FAILED(OpenForWriting(key));
  const auto text = [&](const wchar_t* name, const std::wstring& value) {
    return value.empty() ? key.DeleteValue(name) : key.WriteString(name, value);
  };
  LONG error = text(L"ProxyServer", s.proxyServer);
  if (error == ERROR_SUCCESS) error = text(L"DialUp", s.dialUpEntry);
  if (error == ERROR_SUCCESS) error = text(L"UserAgent", s.userAgent);
  if (error == ERROR_SUCCESS) {
    const std::vector<std::uint8_t> block = BuildCredentialBlock(s.credentials, GetTickCount());
    error = key.WriteBytes(L"Authentication2", REG_BINARY, block);
  }
  for (const DwordValue& v : kDwords) {
    if (error != ERROR_SUCCESS) break;
    error = key.WriteDword(v.name, s.*v.field);
  }
  return error == ERROR_SUCCESS ? S_OK : HResultFromWin32(error);
}

HRESULT ChangeSettings(const std::function<HRESULT(InternetSettings&)>& change) {
  // The mutex is recursive for its owner: the load and the save inside take
  // it again.
  NamedMutexLock lock;
  RETURN_IF_FAILED(lock.Acquire(kSettingsMutex, MutexUsers::kThisUser));
  std::unique_ptr<InternetSettings> settings;
  RETURN_IF_FAILED(LoadSettings(settings));
  RETURN_IF_FAILED(change(*settings));
  return SaveSettings(*settings);
}

HRESULT LoadLastCheck(InternetSettings& s) {
  NamedMutexLock lock;
  RETURN_IF_FAILED(lock.Acquire(kSettingsMutex, MutexUsers::kThisUser));
  RegistryKey key;
  key.Open(HKEY_CURRENT_USER, kSettingsKey, KEY_READ);
  LoadLastCheckFrom(key, s);
  return S_OK;
}

HRESULT SaveLastCheck(const InternetSettings& s) {
  NamedMutexLock lock;
  RETURN_IF_FAILED(lock.Acquire(kSettingsMutex, MutexUsers::kThisUser));
  RegistryKey key;
  RETURN_IF_FAILED(OpenForWriting(key));
  LONG error = ERROR_SUCCESS;
  if (s.lastCheck == 0) {
    error = key.DeleteValue(L"LastCheck");
    if (error == ERROR_SUCCESS) error = key.DeleteValue(L"LastCheckResult");
  } else {
    if (!ParseDate(FormatDate(s.lastCheck))) return E_FAIL;
    error = key.WriteString(L"LastCheck", FormatDate(s.lastCheck));
    if (error == ERROR_SUCCESS) error = key.WriteDword(L"LastCheckResult", s.lastCheckResult);
  }
  if (error == ERROR_SUCCESS)
    error = s.lastSkip == 0 ? key.DeleteValue(L"LastSkip") : key.WriteString(L"LastSkip", FormatDate(s.lastSkip));
  return error == ERROR_SUCCESS ? S_OK : HResultFromWin32(error);
}

NextCheck NextCheckTime(const InternetSettings& settings, std::uint64_t* next) {
  return ComputeNextCheck(settings.checkPeriod, settings.lastCheck, settings.lastSkip, FileTimeNow(), next);
}

}  // namespace wendrix

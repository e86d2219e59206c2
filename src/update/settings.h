#pragma once
// The user's options for checking and downloading, and the record of the
// last automatic check: per user under HKCU\SOFTWARE\Kestmoor\Wendrix\3.0,
// loaded for each operation that needs them and never cached.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "core/result.h"
#include "frame/product_keys.h"
#include "update/credential_block.h"
#include "update/next_check.h"

namespace wendrix {

enum ProxyMode : std::uint32_t { kProxyDirect, kProxyExplicit, kProxySystem };

struct InternetSettings {
  std::wstring proxyServer = L":80";
  std::wstring dialUpEntry;
  Credentials credentials;
  std::wstring userAgent;  // empty: the built-in template
  std::uint32_t modem = 0;
  std::uint32_t proxyMode = kProxySystem;
  std::uint32_t cookies = 1;
  std::uint32_t noProxyForLan = 1;
  std::uint32_t hangUp = 1;
  std::uint32_t prompt = 0;
  std::uint32_t iniDebug = 0;
  std::uint32_t checkAttempts = 2;
  std::uint32_t checkRetryPause = 0;  // seconds
  std::uint32_t checkPeriod = kPeriodWeekly;
  std::uint32_t otherSoftware = 1;  // 1 updates only, 2 updates and other software
  std::uint64_t lastCheck = 0;      // file times, UTC; 0 = never
  std::uint64_t lastSkip = 0;
  std::uint32_t lastCheckResult = 2;  // 0 no publisher succeeded, 1 some, 2 all
  std::uint32_t checkWhenLaunched = 1;
  std::uint32_t maxConcurrentDownloads = 1;
  std::uint32_t maxWalletDiskSpace = 100;  // megabytes
};

// Creates the record when `holder` is empty (E_OUTOFMEMORY when it cannot),
// converts the values of older versions on the way, and loads every value
// and the last-check values, under "WendrixMutex_Settings". A missing or
// ill-typed value takes its default.
HRESULT LoadSettings(std::unique_ptr<InternetSettings>& holder);
// Writes every value except the last-check ones, under the mutex; the first
// failure ends the save.
HRESULT SaveSettings(const InternetSettings& settings);
// Loads the settings, lets `change` edit them and saves them, all under one
// hold of the mutex, so that no other process saves in between and the
// values `change` leaves alone keep what is stored. A failure of `change`
// ends it with nothing saved and is returned.
HRESULT ChangeSettings(const std::function<HRESULT(InternetSettings&)>& change);
// The last-check values only.
HRESULT LoadLastCheck(InternetSettings& settings);
HRESULT SaveLastCheck(const InternetSettings& settings);

// The next automatic check from now (see ComputeNextCheck).
NextCheck NextCheckTime(const InternetSettings& settings, std::uint64_t* next);

// The current time as a file time (UTC).
std::uint64_t FileTimeNow() noexcept;

}  // namespace wendrix

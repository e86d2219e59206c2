#pragma once
// What the Options dialog shows of the settings, as plain values: numbers as
// the text the user typed, switches as flags. The dialog fills its controls
// from FromSettings and hands what the user left there to ApplyTo, which
// refuses any value the rest of the library would not take before it changes
// a single setting.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "update/settings.h"

namespace wendrix {

// The fields ApplyTo can refuse, in the order it checks them.
enum class OptionsField {
  kNone,
  kCheckAttempts,
  kCheckRetryPause,
  kProxyServer,
  kProxyUser,
  kProxyPassword,
  kDialUpEntry,
  kDialUser,
  kDialPassword,
  kDialDomain,
  kMaxWalletDiskSpace,
  kMaxConcurrentDownloads,
};

struct OptionsForm {
  // The check schedule.
  std::uint32_t checkPeriod = kPeriodWeekly;
  bool checkWhenLaunched = true;
  std::wstring checkAttempts, checkRetryPause;
  // The connection.
  std::uint32_t proxyMode = kProxySystem;
  std::wstring proxyServer;
  bool bypassLocal = true;
  std::wstring proxyUser, proxyPassword;
  bool cookies = true;
  bool dialUp = false;
  std::wstring dialUpEntry, dialUser, dialPassword, dialDomain;
  bool hangUp = true;
  // Downloads.
  std::wstring maxWalletDiskSpace, maxConcurrentDownloads;
  // Prompts.
  bool prompt = false;
  bool otherSoftware = false;  // also tell about software not installed here
  bool strictDataFiles = false;

  bool operator==(const OptionsForm&) const = default;
};

struct NumberRange {
  std::uint32_t low, high;
};
// What a fetch honours (more attempts or a longer pause are cut to these)
// and what the wallet and the download queue can use.
inline constexpr NumberRange kCheckAttemptsRange{1, 10};
inline constexpr NumberRange kCheckRetryPauseRange{0, 60};       // seconds
inline constexpr NumberRange kMaxWalletDiskSpaceRange{1, 1048576};  // megabytes: up to 1 TB
inline constexpr NumberRange kMaxConcurrentDownloadsRange{1, 10};

// Longest texts, in characters: what the dial-up parameters hold (the
// longer ones would be cut there) and a host name with a port.
inline constexpr std::size_t kMaxProxyServerLength = 261;
inline constexpr std::size_t kMaxCredentialLength = 256;
inline constexpr std::size_t kMaxDialUpEntryLength = 256;
inline constexpr std::size_t kMaxDialDomainLength = 15;

OptionsForm FromSettings(const InternetSettings& settings);

// Checks every field and, when all pass, writes them into `settings`; the
// settings the form does not show (the user agent, the last check) stay.
// Returns the first refused field in the order of OptionsField, and then
// leaves `settings` untouched; kNone when they were written.
OptionsField ApplyTo(const OptionsForm& form, InternetSettings& settings);

// The range of a number field; null for a text field.
const NumberRange* FieldRange(OptionsField field) noexcept;
// The longest text a text field takes; 0 for a number field.
std::size_t FieldMaxLength(OptionsField field) noexcept;

// A proxy server the user may name: a host of letters, digits, '.', '-' and
// '_' (or a bracketed IPv6 address), then optionally ':' and a port from 1 to
// 65535. Refuses an empty text, a missing host (":80") and anything else.
bool IsAcceptedProxyServer(std::wstring_view server) noexcept;

}  // namespace wendrix

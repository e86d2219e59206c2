#include "ui/options_form.h"

#include <optional>
#include <string>

#include "core/string_util.h"

namespace wendrix {
namespace {

std::wstring NumberText(std::uint32_t value) { return std::to_wstring(value); }

// A whole number as typed: decimal digits, blanks around them allowed, no
// sign; empty when the text is anything else or leaves the range.
std::optional<std::uint32_t> ParseNumber(std::wstring_view text, NumberRange range) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  if (text.empty()) return std::nullopt;
  std::uint64_t value = 0;
  for (const wchar_t c : text) {
    if (!IsDecimalDigit(c)) return std::nullopt;
    value = value * 10 + static_cast<std::uint64_t>(c - L'0');
    if (value > range.high) return std::nullopt;  // also stops long texts from overflowing
  }
  if (value < range.low) return std::nullopt;
  return static_cast<std::uint32_t>(value);
}

// Line breaks and other control characters have no place in a name or a
// password, and a zero would end a credential early in the stored block.
bool IsPlainText(std::wstring_view text, std::size_t maxLength) noexcept {
  if (text.size() > maxLength) return false;
  for (const wchar_t c : text)
    if (c < L' ' || c == 0x7F) return false;
  return true;
}

bool IsHostCharacter(wchar_t c) noexcept {
  return IsDecimalDigit(c) || (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || c == L'.' || c == L'-' ||
         c == L'_';
}

bool IsIpv6Character(wchar_t c) noexcept { return HexDigitValue(c) >= 0 || c == L':' || c == L'.'; }

bool IsPort(std::wstring_view text) noexcept {
  if (text.empty() || text.size() > 5) return false;
  std::uint32_t port = 0;
  for (const wchar_t c : text) {
    if (!IsDecimalDigit(c)) return false;
    port = port * 10 + static_cast<std::uint32_t>(c - L'0');
  }
  return port >= 1 && port <= 65535;
}

}  // namespace

bool IsAcceptedProxyServer(std::wstring_view server) noexcept {
  if (server.empty() || server.size() > kMaxProxyServerLength) return false;
  std::wstring_view host = server;
  std::wstring_view port;
  bool hasPort = false;
  if (server.front() == L'[') {
    const std::size_t close = server.find(L']');
    if (close == std::wstring_view::npos || close < 2) return false;
    for (const wchar_t c : server.substr(1, close - 1))
      if (!IsIpv6Character(c)) return false;
    host = server.substr(0, close + 1);
    const std::wstring_view rest = server.substr(close + 1);
    if (!rest.empty()) {
      if (rest.front() != L':') return false;
      hasPort = true;
      port = rest.substr(1);
    }
  } else {
    const std::size_t colon = server.find(L':');
    if (colon != std::wstring_view::npos) {
      host = server.substr(0, colon);
      hasPort = true;
      port = server.substr(colon + 1);
    }
    if (host.empty() || host.front() == L'.' || host.front() == L'-') return false;
    for (const wchar_t c : host)
      if (!IsHostCharacter(c)) return false;
  }
  return !hasPort || IsPort(port);
}

const NumberRange* FieldRange(OptionsField field) noexcept {
  switch (field) {
    case OptionsField::kCheckAttempts: return &kCheckAttemptsRange;
    case OptionsField::kCheckRetryPause: return &kCheckRetryPauseRange;
    case OptionsField::kMaxWalletDiskSpace: return &kMaxWalletDiskSpaceRange;
    case OptionsField::kMaxConcurrentDownloads: return &kMaxConcurrentDownloadsRange;
    default: return nullptr;
  }
}

std::size_t FieldMaxLength(OptionsField field) noexcept {
  switch (field) {
    case OptionsField::kProxyServer: return kMaxProxyServerLength;
    case OptionsField::kProxyUser:
    case OptionsField::kProxyPassword:
    case OptionsField::kDialUser:
    case OptionsField::kDialPassword: return kMaxCredentialLength;
    case OptionsField::kDialUpEntry: return kMaxDialUpEntryLength;
    case OptionsField::kDialDomain: return kMaxDialDomainLength;
    default: return 0;
  }
}

OptionsForm FromSettings(const InternetSettings& s) {
  OptionsForm form;
  form.checkPeriod = s.checkPeriod;
  form.checkWhenLaunched = s.checkWhenLaunched != 0;
  form.checkAttempts = NumberText(s.checkAttempts);
  form.checkRetryPause = NumberText(s.checkRetryPause);
  form.proxyMode = s.proxyMode;
  form.proxyServer = s.proxyServer;
  form.bypassLocal = s.noProxyForLan != 0;
  form.proxyUser = s.credentials.proxyUser;
  form.proxyPassword = s.credentials.proxyPassword;
  form.cookies = s.cookies != 0;
  form.dialUp = s.modem != 0;
  form.dialUpEntry = s.dialUpEntry;
  form.dialUser = s.credentials.dialUser;
  form.dialPassword = s.credentials.dialPassword;
  form.dialDomain = s.credentials.dialDomain;
  form.hangUp = s.hangUp != 0;
  form.maxWalletDiskSpace = NumberText(s.maxWalletDiskSpace);
  form.maxConcurrentDownloads = NumberText(s.maxConcurrentDownloads);
  form.prompt = s.prompt != 0;
  form.otherSoftware = s.otherSoftware == 2;
  form.strictDataFiles = s.iniDebug != 0;
  return form;
}

OptionsField ApplyTo(const OptionsForm& form, InternetSettings& settings) {
  const auto attempts = ParseNumber(form.checkAttempts, kCheckAttemptsRange);
  if (!attempts) return OptionsField::kCheckAttempts;
  const auto pause = ParseNumber(form.checkRetryPause, kCheckRetryPauseRange);
  if (!pause) return OptionsField::kCheckRetryPause;
  // A server typed for a mode that does not use it is kept as it is: the
  // user may switch back to it later.
  if (form.proxyMode == kProxyExplicit ? !IsAcceptedProxyServer(form.proxyServer)
                                       : !IsPlainText(form.proxyServer, kMaxProxyServerLength))
    return OptionsField::kProxyServer;
  if (!IsPlainText(form.proxyUser, kMaxCredentialLength)) return OptionsField::kProxyUser;
  if (!IsPlainText(form.proxyPassword, kMaxCredentialLength)) return OptionsField::kProxyPassword;
  // A fetch refuses to dial without an entry to dial.
  if (!IsPlainText(form.dialUpEntry, kMaxDialUpEntryLength) || (form.dialUp && form.dialUpEntry.empty()))
    return OptionsField::kDialUpEntry;
  if (!IsPlainText(form.dialUser, kMaxCredentialLength)) return OptionsField::kDialUser;
  if (!IsPlainText(form.dialPassword, kMaxCredentialLength)) return OptionsField::kDialPassword;
  if (!IsPlainText(form.dialDomain, kMaxDialDomainLength)) return OptionsField::kDialDomain;
  const auto walletSpace = ParseNumber(form.maxWalletDiskSpace, kMaxWalletDiskSpaceRange);
  if (!walletSpace) return OptionsField::kMaxWalletDiskSpace;
  const auto downloads = ParseNumber(form.maxConcurrentDownloads, kMaxConcurrentDownloadsRange);
  if (!downloads) return OptionsField::kMaxConcurrentDownloads;

  // Choices come from fixed lists; one out of them keeps the stored value.
  if (form.checkPeriod <= kPeriodMonthly) settings.checkPeriod = form.checkPeriod;
  if (form.proxyMode <= kProxySystem) settings.proxyMode = form.proxyMode;
  settings.checkWhenLaunched = form.checkWhenLaunched;
  settings.checkAttempts = *attempts;
  settings.checkRetryPause = *pause;
  settings.proxyServer = form.proxyServer;
  settings.noProxyForLan = form.bypassLocal;
  settings.credentials.proxyUser = form.proxyUser;
  settings.credentials.proxyPassword = form.proxyPassword;
  settings.cookies = form.cookies;
  settings.modem = form.dialUp;
  settings.dialUpEntry = form.dialUpEntry;
  settings.credentials.dialUser = form.dialUser;
  settings.credentials.dialPassword = form.dialPassword;
  settings.credentials.dialDomain = form.dialDomain;
  settings.hangUp = form.hangUp;
  settings.maxWalletDiskSpace = *walletSpace;
  settings.maxConcurrentDownloads = *downloads;
  settings.prompt = form.prompt;
  settings.otherSoftware = form.otherSoftware ? 2 : 1;
  settings.iniDebug = form.strictDataFiles;
  return OptionsField::kNone;
}

}  // namespace wendrix

// The Options dialog's fields: every setting it shows comes back unchanged,
// and every value the library could not use is refused with its field
// before anything changes.
#include "ui/options_form.h"

#include <gtest/gtest.h>

#include <functional>
#include <iterator>
#include <string>
#include <tuple>

namespace wendrix {
namespace {

// The settings the form shows.
auto Shown(const InternetSettings& s) {
  return std::tie(s.checkPeriod, s.checkWhenLaunched, s.checkAttempts, s.checkRetryPause, s.proxyMode, s.proxyServer,
                  s.noProxyForLan, s.credentials, s.cookies, s.modem, s.dialUpEntry, s.hangUp, s.maxWalletDiskSpace,
                  s.maxConcurrentDownloads, s.prompt, s.otherSoftware, s.iniDebug);
}

TEST(OptionsForm, EverySettingShownComesBackUnchanged) {
  const struct {
    const char* name;
    std::function<void(InternetSettings&)> change;
  } cases[] = {
      {"the defaults", [](InternetSettings&) {}},
      {"manual checks", [](InternetSettings& s) { s.checkPeriod = kPeriodManual; }},
      {"daily checks", [](InternetSettings& s) { s.checkPeriod = kPeriodDaily; }},
      {"monthly checks", [](InternetSettings& s) { s.checkPeriod = kPeriodMonthly; }},
      {"no check at start", [](InternetSettings& s) { s.checkWhenLaunched = 0; }},
      {"one attempt", [](InternetSettings& s) { s.checkAttempts = 1; }},
      {"longest pause", [](InternetSettings& s) { s.checkRetryPause = 60; }},
      {"direct", [](InternetSettings& s) { s.proxyMode = kProxyDirect; }},
      {"a named proxy", [](InternetSettings& s) { s.proxyMode = kProxyExplicit, s.proxyServer = L"proxy.example.com:8080"; }},
      {"a proxy for local addresses too", [](InternetSettings& s) { s.noProxyForLan = 0; }},
      {"proxy credentials",
       [](InternetSettings& s) { s.credentials.proxyUser = L"anna", s.credentials.proxyPassword = L"p\u00e4ss word;="; }},
      {"no cookies", [](InternetSettings& s) { s.cookies = 0; }},
      {"dial-up",
       [](InternetSettings& s) {
         s.modem = 1, s.dialUpEntry = L"Office line";
         s.credentials = {L"bob", L"secret", L"KESTMOOR", L"", L""};
       }},
      {"an entry kept while dialling is off", [](InternetSettings& s) { s.dialUpEntry = L"Home"; }},
      {"keep the line", [](InternetSettings& s) { s.hangUp = 0; }},
      {"smallest wallet", [](InternetSettings& s) { s.maxWalletDiskSpace = 1; }},
      {"most downloads", [](InternetSettings& s) { s.maxConcurrentDownloads = 10; }},
      {"prompt", [](InternetSettings& s) { s.prompt = 1; }},
      {"other software", [](InternetSettings& s) { s.otherSoftware = 2; }},
      {"strict data files", [](InternetSettings& s) { s.iniDebug = 1; }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    InternetSettings stored;
    c.change(stored);
    InternetSettings saved;  // the defaults, overwritten by the form
    // The choices start elsewhere, so that one the form did not take shows.
    saved.checkPeriod = kPeriodMonthly == stored.checkPeriod ? kPeriodDaily : kPeriodMonthly;
    saved.proxyMode = kProxyDirect == stored.proxyMode ? kProxySystem : kProxyDirect;
    ASSERT_EQ(ApplyTo(FromSettings(stored), saved), OptionsField::kNone);
    EXPECT_TRUE(Shown(saved) == Shown(stored));
  }
}

TEST(OptionsForm, TakesTheLimitsAndLeavesTheSettingsItDoesNotShow) {
  InternetSettings settings;
  settings.userAgent = L"Agent/%1";
  settings.lastCheck = 123456789;
  settings.lastSkip = 987654321;
  settings.lastCheckResult = 1;
  settings.checkPeriod = kPeriodDaily;
  settings.proxyMode = kProxyDirect;
  OptionsForm form = FromSettings(InternetSettings{});
  form.checkPeriod = 7;  // not one of the list's choices
  form.proxyMode = 9;
  form.checkAttempts = L" 10 ";
  form.checkRetryPause = L"0";
  form.maxWalletDiskSpace = L"1048576";
  form.maxConcurrentDownloads = L"1";
  form.proxyUser.assign(kMaxCredentialLength, L'u');
  form.dialDomain.assign(kMaxDialDomainLength, L'd');
  form.dialUp = true;
  form.dialUpEntry = L"Office";
  ASSERT_EQ(ApplyTo(form, settings), OptionsField::kNone);
  EXPECT_EQ(std::tie(settings.userAgent, settings.lastCheck, settings.lastSkip, settings.lastCheckResult,
                     settings.checkPeriod, settings.proxyMode),
            std::make_tuple(std::wstring(L"Agent/%1"), 123456789ull, 987654321ull, 1u, std::uint32_t{kPeriodDaily},
                            std::uint32_t{kProxyDirect}));
  EXPECT_EQ(std::tie(settings.checkAttempts, settings.checkRetryPause, settings.maxWalletDiskSpace,
                     settings.maxConcurrentDownloads),
            std::make_tuple(10u, 0u, 1048576u, 1u));
  EXPECT_EQ(settings.credentials.proxyUser.size(), kMaxCredentialLength);
}

TEST(OptionsForm, RefusesEachUnusableValueWithItsFieldAndChangesNothing) {
  const std::wstring tooLong(kMaxCredentialLength + 1, L'x');
  const struct {
    const char* name;
    std::function<void(OptionsForm&)> change;
    OptionsField refused;
  } cases[] = {
      {"no attempt", [](OptionsForm& f) { f.checkAttempts = L"0"; }, OptionsField::kCheckAttempts},
      {"too many attempts", [](OptionsForm& f) { f.checkAttempts = L"11"; }, OptionsField::kCheckAttempts},
      {"empty attempts", [](OptionsForm& f) { f.checkAttempts = L""; }, OptionsField::kCheckAttempts},
      {"blank attempts", [](OptionsForm& f) { f.checkAttempts = L"  "; }, OptionsField::kCheckAttempts},
      {"negative attempts", [](OptionsForm& f) { f.checkAttempts = L"-1"; }, OptionsField::kCheckAttempts},
      {"letters", [](OptionsForm& f) { f.checkAttempts = L"2a"; }, OptionsField::kCheckAttempts},
      {"past 64 bits", [](OptionsForm& f) { f.checkAttempts = L"18446744073709551617"; }, OptionsField::kCheckAttempts},
      {"too long a pause", [](OptionsForm& f) { f.checkRetryPause = L"61"; }, OptionsField::kCheckRetryPause},
      {"the default proxy named", [](OptionsForm& f) { f.proxyMode = kProxyExplicit, f.proxyServer = L":80"; },
       OptionsField::kProxyServer},
      {"no proxy named", [](OptionsForm& f) { f.proxyMode = kProxyExplicit, f.proxyServer = L""; },
       OptionsField::kProxyServer},
      {"a proxy with a blank", [](OptionsForm& f) { f.proxyMode = kProxyExplicit, f.proxyServer = L"proxy host:80"; },
       OptionsField::kProxyServer},
      {"port 0", [](OptionsForm& f) { f.proxyMode = kProxyExplicit, f.proxyServer = L"proxy:0"; },
       OptionsField::kProxyServer},
      {"a line break in an unused server", [](OptionsForm& f) { f.proxyServer = L"a\r\nb"; }, OptionsField::kProxyServer},
      {"a proxy user with a line break", [](OptionsForm& f) { f.proxyUser = L"a\nb"; }, OptionsField::kProxyUser},
      {"too long a proxy user", [&](OptionsForm& f) { f.proxyUser = tooLong; }, OptionsField::kProxyUser},
      {"too long a proxy password", [&](OptionsForm& f) { f.proxyPassword = tooLong; }, OptionsField::kProxyPassword},
      {"a zero in a proxy password", [](OptionsForm& f) { f.proxyPassword = std::wstring(L"a\0b", 3); },
       OptionsField::kProxyPassword},
      {"dialling without an entry", [](OptionsForm& f) { f.dialUp = true; }, OptionsField::kDialUpEntry},
      {"too long an entry", [](OptionsForm& f) { f.dialUpEntry.assign(kMaxDialUpEntryLength + 1, L'e'); },
       OptionsField::kDialUpEntry},
      {"too long a dial-up user", [&](OptionsForm& f) { f.dialUser = tooLong; }, OptionsField::kDialUser},
      {"a tab in a dial-up password", [](OptionsForm& f) { f.dialPassword = L"a\tb"; }, OptionsField::kDialPassword},
      {"too long a domain", [](OptionsForm& f) { f.dialDomain.assign(kMaxDialDomainLength + 1, L'd'); },
       OptionsField::kDialDomain},
      {"an empty wallet", [](OptionsForm& f) { f.maxWalletDiskSpace = L"0"; }, OptionsField::kMaxWalletDiskSpace},
      {"a wallet past 1 TB", [](OptionsForm& f) { f.maxWalletDiskSpace = L"1048577"; }, OptionsField::kMaxWalletDiskSpace},
      {"no download at once", [](OptionsForm& f) { f.maxConcurrentDownloads = L"0"; },
       OptionsField::kMaxConcurrentDownloads},
      {"too many downloads", [](OptionsForm& f) { f.maxConcurrentDownloads = L"11"; },
       OptionsField::kMaxConcurrentDownloads},
      {"the first refused field is named",
       [](OptionsForm& f) { f.maxConcurrentDownloads = L"0", f.checkRetryPause = L"x"; }, OptionsField::kCheckRetryPause},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    InternetSettings settings;
    settings.checkAttempts = 3;
    settings.credentials.proxyUser = L"kept";
    OptionsForm form = FromSettings(settings);
    form.checkPeriod = kPeriodMonthly;
    form.cookies = false;
    c.change(form);
    EXPECT_EQ(ApplyTo(form, settings), c.refused);
    // Nothing of the form reached the settings.
    EXPECT_EQ(std::tie(settings.checkPeriod, settings.cookies, settings.checkAttempts, settings.credentials.proxyUser),
              std::make_tuple(std::uint32_t{kPeriodWeekly}, 1u, 3u, std::wstring(L"kept")));
  }
}

TEST(OptionsForm, AcceptsAProxyServerAsAHostAndAPort) {
  for (const wchar_t* accepted : {L"proxy", L"proxy.example.com:8080", L"10.0.0.1:3128", L"my_proxy-z:1", L"[::1]:8080",
                                  L"[fe80::1]", L"proxy:65535"})
    EXPECT_TRUE(IsAcceptedProxyServer(accepted)) << testing::PrintToString(std::wstring(accepted));
  for (const wchar_t* refused : {L"", L":80", L"proxy:", L"proxy:65536", L"proxy:123456", L"proxy:8o", L".proxy",
                                 L"-proxy", L"http://proxy:80", L"user@proxy:80", L"proxy:80;other:81", L"[::1",
                                 L"[]:80", L"[::1]x", L"[::g]:80", L"pr\u00f6xy"})
    EXPECT_FALSE(IsAcceptedProxyServer(refused)) << testing::PrintToString(std::wstring(refused));
  EXPECT_TRUE(IsAcceptedProxyServer(std::wstring(kMaxProxyServerLength, L'p')));
  EXPECT_FALSE(IsAcceptedProxyServer(std::wstring(kMaxProxyServerLength + 1, L'p')));
}

}  // namespace
}  // namespace wendrix

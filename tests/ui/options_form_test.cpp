// The Options dialog's fields: every setting it shows comes back unchanged,
// and every value the library could not use is refused with its field
// before anything changes.
#include "ui/options_form.h"

#include <gtest/gtest.h>

#include <functional>
#include <iterator>
#include <string>

namespace wendrix {
namespace {

// The settings the form shows, compared one by one so that a failure names
// the setting.
void ExpectSameShownSettings(const InternetSettings& a, const InternetSettings& b) {
  EXPECT_EQ(a.checkPeriod, b.checkPeriod);
  EXPECT_EQ(a.checkWhenLaunched, b.checkWhenLaunched);
  EXPECT_EQ(a.checkAttempts, b.checkAttempts);
  EXPECT_EQ(a.checkRetryPause, b.checkRetryPause);
  EXPECT_EQ(a.proxyMode, b.proxyMode);
  EXPECT_EQ(a.proxyServer, b.proxyServer);
  EXPECT_EQ(a.noProxyForLan, b.noProxyForLan);
  EXPECT_EQ(a.credentials, b.credentials);
  EXPECT_EQ(a.cookies, b.cookies);
  EXPECT_EQ(a.modem, b.modem);
  EXPECT_EQ(a.dialUpEntry, b.dialUpEntry);
  EXPECT_EQ(a.hangUp, b.hangUp);
  EXPECT_EQ(a.maxWalletDiskSpace, b.maxWalletDiskSpace);
  EXPECT_EQ(a.maxConcurrentDownloads, b.maxConcurrentDownloads);
  EXPECT_EQ(a.prompt, b.prompt);
  EXPECT_EQ(a.otherSoftware, b.otherSoftware);
  EXPECT_EQ(a.iniDebug, b.iniDebug);
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
      {"most attempts", [](InternetSettings& s) { s.checkAttempts = 10; }},
      {"one attempt", [](InternetSettings& s) { s.checkAttempts = 1; }},
      {"longest pause", [](InternetSettings& s) { s.checkRetryPause = 60; }},
      {"direct", [](InternetSettings& s) { s.proxyMode = kProxyDirect; }},
      {"a named proxy",
       [](InternetSettings& s) {
         s.proxyMode = kProxyExplicit;
         s.proxyServer = L"proxy.example.com:8080";
       }},
      {"a proxy for local addresses too", [](InternetSettings& s) { s.noProxyForLan = 0; }},
      {"proxy credentials",
       [](InternetSettings& s) {
         s.credentials.proxyUser = L"anna";
         s.credentials.proxyPassword = L"p\u00e4ss word;=";
       }},
      {"no cookies", [](InternetSettings& s) { s.cookies = 0; }},
      {"dial-up",
       [](InternetSettings& s) {
         s.modem = 1;
         s.dialUpEntry = L"Office line";
         s.credentials.dialUser = L"bob";
         s.credentials.dialPassword = L"secret";
         s.credentials.dialDomain = L"KESTMOOR";
       }},
      {"an entry kept while dialling is off", [](InternetSettings& s) { s.dialUpEntry = L"Home"; }},
      {"keep the line", [](InternetSettings& s) { s.hangUp = 0; }},
      {"largest wallet", [](InternetSettings& s) { s.maxWalletDiskSpace = 1048576; }},
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
    saved.checkPeriod = kPeriodMonthly == stored.checkPeriod ? kPeriodDaily : kPeriodMonthly;
    ASSERT_EQ(ApplyTo(FromSettings(stored), saved), OptionsField::kNone);
    ExpectSameShownSettings(saved, stored);
  }
}

TEST(OptionsForm, LeavesTheSettingsItDoesNotShow) {
  InternetSettings settings;
  settings.userAgent = L"Agent/%1";
  settings.lastCheck = 123456789;
  settings.lastSkip = 987654321;
  settings.lastCheckResult = 1;
  OptionsForm form = FromSettings(InternetSettings{});
  form.checkPeriod = 7;  // not one of the list's choices
  form.proxyMode = 9;
  settings.checkPeriod = kPeriodDaily;
  settings.proxyMode = kProxyDirect;
  ASSERT_EQ(ApplyTo(form, settings), OptionsField::kNone);
  EXPECT_EQ(settings.userAgent, L"Agent/%1");
  EXPECT_EQ(settings.lastCheck, 123456789u);
  EXPECT_EQ(settings.lastSkip, 987654321u);
  EXPECT_EQ(settings.lastCheckResult, 1u);
  EXPECT_EQ(settings.checkPeriod, kPeriodDaily);
  EXPECT_EQ(settings.proxyMode, kProxyDirect);
}

TEST(OptionsForm, RefusesEachUnusableValueWithItsFieldAndChangesNothing) {
  const std::wstring tooLongCredential(kMaxCredentialLength + 1, L'x');
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
      {"a number past 64 bits", [](OptionsForm& f) { f.checkAttempts = L"18446744073709551617"; },
       OptionsField::kCheckAttempts},
      {"too long a pause", [](OptionsForm& f) { f.checkRetryPause = L"61"; }, OptionsField::kCheckRetryPause},
      {"the default proxy named",
       [](OptionsForm& f) {
         f.proxyMode = kProxyExplicit;
         f.proxyServer = L":80";
       },
       OptionsField::kProxyServer},
      {"no proxy named",
       [](OptionsForm& f) {
         f.proxyMode = kProxyExplicit;
         f.proxyServer = L"";
       },
       OptionsField::kProxyServer},
      {"a proxy with a blank",
       [](OptionsForm& f) {
         f.proxyMode = kProxyExplicit;
         f.proxyServer = L"proxy host:80";
       },
       OptionsField::kProxyServer},
      {"port 0",
       [](OptionsForm& f) {
         f.proxyMode = kProxyExplicit;
         f.proxyServer = L"proxy:0";
       },
       OptionsField::kProxyServer},
      {"a line break in an unused server", [](OptionsForm& f) { f.proxyServer = L"a\r\nb"; },
       OptionsField::kProxyServer},
      {"a proxy user with a line break", [](OptionsForm& f) { f.proxyUser = L"a\nb"; }, OptionsField::kProxyUser},
      {"too long a proxy user", [&](OptionsForm& f) { f.proxyUser = tooLongCredential; }, OptionsField::kProxyUser},
      {"too long a proxy password", [&](OptionsForm& f) { f.proxyPassword = tooLongCredential; },
       OptionsField::kProxyPassword},
      {"a zero in a proxy password", [](OptionsForm& f) { f.proxyPassword = std::wstring(L"a\0b", 3); },
       OptionsField::kProxyPassword},
      {"dialling without an entry", [](OptionsForm& f) { f.dialUp = true; }, OptionsField::kDialUpEntry},
      {"too long an entry", [](OptionsForm& f) { f.dialUpEntry.assign(kMaxDialUpEntryLength + 1, L'e'); },
       OptionsField::kDialUpEntry},
      {"too long a dial-up user", [&](OptionsForm& f) { f.dialUser = tooLongCredential; }, OptionsField::kDialUser},
      {"a tab in a dial-up password", [](OptionsForm& f) { f.dialPassword = L"a\tb"; },
       OptionsField::kDialPassword},
      {"too long a domain", [](OptionsForm& f) { f.dialDomain.assign(kMaxDialDomainLength + 1, L'd'); },
       OptionsField::kDialDomain},
      {"an empty wallet", [](OptionsForm& f) { f.maxWalletDiskSpace = L"0"; }, OptionsField::kMaxWalletDiskSpace},
      {"a wallet past 1 TB", [](OptionsForm& f) { f.maxWalletDiskSpace = L"1048577"; },
       OptionsField::kMaxWalletDiskSpace},
      {"no download at once", [](OptionsForm& f) { f.maxConcurrentDownloads = L"0"; },
       OptionsField::kMaxConcurrentDownloads},
      {"too many downloads", [](OptionsForm& f) { f.maxConcurrentDownloads = L"11"; },
       OptionsField::kMaxConcurrentDownloads},
      {"the first refused field is named",
       [](OptionsForm& f) {
         f.maxConcurrentDownloads = L"0";
         f.checkRetryPause = L"x";
       },
       OptionsField::kCheckRetryPause},
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
    EXPECT_EQ(settings.checkPeriod, InternetSettings{}.checkPeriod);
    EXPECT_EQ(settings.cookies, 1u);
    EXPECT_EQ(settings.checkAttempts, 3u);
    EXPECT_EQ(settings.credentials.proxyUser, L"kept");
  }
}

TEST(OptionsForm, TakesTheLimitsThemselves) {
  OptionsForm form = FromSettings(InternetSettings{});
  form.checkAttempts = L" 10 ";
  form.checkRetryPause = L"0";
  form.maxWalletDiskSpace = L"1048576";
  form.maxConcurrentDownloads = L"1";
  form.proxyUser.assign(kMaxCredentialLength, L'u');
  form.dialDomain.assign(kMaxDialDomainLength, L'd');
  form.dialUp = true;
  form.dialUpEntry = L"Office";
  InternetSettings settings;
  ASSERT_EQ(ApplyTo(form, settings), OptionsField::kNone);
  EXPECT_EQ(settings.checkAttempts, 10u);
  EXPECT_EQ(settings.checkRetryPause, 0u);
  EXPECT_EQ(settings.maxWalletDiskSpace, 1048576u);
  EXPECT_EQ(settings.maxConcurrentDownloads, 1u);
  EXPECT_EQ(settings.credentials.proxyUser.size(), kMaxCredentialLength);
}

TEST(OptionsForm, AcceptsAProxyServerAsAHostAndAPort) {
  const struct {
    const wchar_t* server;
    bool accepted;
  } cases[] = {
      {L"proxy", true},
      {L"proxy.example.com:8080", true},
      {L"10.0.0.1:3128", true},
      {L"my_proxy-2:1", true},
      {L"[::1]:8080", true},
      {L"[fe80::1]", true},
      {L"proxy:65535", true},
      {L"", false},
      {L":80", false},
      {L"proxy:", false},
      {L"proxy:65536", false},
      {L"proxy:123456", false},
      {L"proxy:8o", false},
      {L".proxy", false},
      {L"-proxy", false},
      {L"http://proxy:80", false},
      {L"user@proxy:80", false},
      {L"proxy:80;other:81", false},
      {L"[::1", false},
      {L"[]:80", false},
      {L"[::1]x", false},
      {L"[::g]:80", false},
      {L"pr\u00f6xy", false},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i)
    EXPECT_EQ(IsAcceptedProxyServer(cases[i].server), cases[i].accepted) << "case " << i;
  EXPECT_TRUE(IsAcceptedProxyServer(std::wstring(kMaxProxyServerLength, L'p')));
  EXPECT_FALSE(IsAcceptedProxyServer(std::wstring(kMaxProxyServerLength + 1, L'p')));
}

}  // namespace
}  // namespace wendrix

// Settings in the user's registry, the conversion of older values, the last
// check, the startup entry and the scheduler window's answer.
#include "update/settings.h"

#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <thread>
#include <tuple>

#include "../support/registry_sandbox.h"
#include "../support/registry_values.h"
#include "../support/temp_folder.h"
#include "core/date.h"
#include "publisher/builtin_publishers.h"
#include "platform/registry.h"
#include "registration/publisher_store.h"
#include "setup/journal.h"
#include "update/scheduler.h"
#include "registration/startup_entry.h"

namespace wendrix::test {
namespace {

constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

RegistryKey Settings() {
  RegistryKey key;
  key.Create(HKEY_CURRENT_USER, kSettingsKey, KEY_ALL_ACCESS);
  return key;
}
std::optional<DWORD> GetDword(const wchar_t* name) {
  std::uint32_t value = 0;
  return Settings().ReadDword(name, value) == ERROR_SUCCESS ? std::optional<DWORD>(value) : std::nullopt;
}
bool HasValue(const wchar_t* name) { return Settings().HasValue(name); }
bool KeyExists(const wchar_t* path) { return ReadValues(HKEY_CURRENT_USER, path, 0).has_value(); }

std::unique_ptr<InternetSettings> Load() {
  std::unique_ptr<InternetSettings> s;
  EXPECT_EQ(LoadSettings(s), S_OK);
  return s;
}

// Every number the settings keep: its value, its member, what it reads as
// with nothing (or something of the wrong type) stored, and another value.
// Flags read any non-zero number as 1. The check period is tested on its own.
const struct NumberSetting {
  const wchar_t* name;
  std::uint32_t InternetSettings::*member;
  std::uint32_t byDefault, other;
  bool flag;
} kNumbers[] = {
    {L"CheckWhenLaunched", &InternetSettings::checkWhenLaunched, 1, 0, true},
    {L"Modem", &InternetSettings::modem, 0, 1, true},
    {L"Proxy", &InternetSettings::proxyMode, kProxySystem, kProxyExplicit, false},
    {L"NoProxyForLAN", &InternetSettings::noProxyForLan, 1, 0, true},
    {L"HangUp", &InternetSettings::hangUp, 1, 0, true},
    {L"Prompt", &InternetSettings::prompt, 0, 1, true},
    {L"INIDebug", &InternetSettings::iniDebug, 0, 1, true},
    {L"CheckAttempts", &InternetSettings::checkAttempts, 2, 5, false},
    {L"CheckRetryPause", &InternetSettings::checkRetryPause, 0, 3, false},
    {L"OtherSoftware", &InternetSettings::otherSoftware, 1, 2, false},
    {L"Cookies", &InternetSettings::cookies, 1, 0, false},
    {L"MaxConcurrentDownloads", &InternetSettings::maxConcurrentDownloads, 1, 4, false},
    {L"MaxWalletDiskSpace", &InternetSettings::maxWalletDiskSpace, 100, 250, false},
};
// The texts likewise; an empty one is stored as no value at all.
const struct TextSetting {
  const wchar_t* name;
  std::wstring InternetSettings::*member;
  const wchar_t *byDefault, *other;
} kTexts[] = {
    {L"ProxyServer", &InternetSettings::proxyServer, L":80", L"proxy.example:8080"},
    {L"DialUp", &InternetSettings::dialUpEntry, L"", L"Office"},
    {L"UserAgent", &InternetSettings::userAgent, L"", L"Agent %1"},
};

void ExpectDefaults(const InternetSettings& s) {
  for (const auto& n : kNumbers) EXPECT_EQ(s.*n.member, n.byDefault) << testing::PrintToString(n.name);
  for (const auto& t : kTexts) EXPECT_EQ(s.*t.member, t.byDefault) << testing::PrintToString(t.name);
  EXPECT_EQ(s.credentials, Credentials{});
}

// Each test sees an empty HKEY_CURRENT_USER of its own.
class SettingsTest : public testing::Test {
 protected:
  RegistrySandbox m_sandbox;
};

TEST_F(SettingsTest, MissingOrIllTypedValuesReadAsTheirDefaults) {
  const auto s = Load();
  ASSERT_TRUE(s);
  ExpectDefaults(*s);
  EXPECT_EQ(s->lastCheck, 0u);
  EXPECT_EQ(s->lastCheckResult, 2u);
  EXPECT_TRUE(s->checkPeriod == kPeriodWeekly || s->checkPeriod == kPeriodManual) << "depends on RAS";

  RegistryKey key = Settings();
  for (const auto& n : kNumbers) key.WriteString(n.name, L"9");
  for (const auto& t : kTexts) key.WriteDword(t.name, 1);
  const BYTE junk[3] = {1, 2, 3};
  key.WriteBytes(L"Authentication2", REG_BINARY, junk);
  ExpectDefaults(*Load());

  for (const auto& n : kNumbers) SetSetting(n.name, 7);
  const auto sevens = Load();
  for (const auto& n : kNumbers) EXPECT_EQ(sevens.get()->*n.member, n.flag ? 1u : 7u) << testing::PrintToString(n.name);
}

TEST_F(SettingsTest, SaveThenLoadKeepsEveryValue) {
  InternetSettings s;
  for (const auto& n : kNumbers) s.*n.member = n.other;
  for (const auto& t : kTexts) s.*t.member = t.other;
  s.credentials = {L"du", L"dp", L"dd", L"pu", L"pp"};
  s.checkPeriod = kPeriodMonthly;
  ASSERT_EQ(SaveSettings(s), S_OK);
  const auto loaded = Load();
  for (const auto& n : kNumbers) EXPECT_EQ(loaded.get()->*n.member, n.other) << testing::PrintToString(n.name);
  for (const auto& t : kTexts) EXPECT_EQ(loaded.get()->*t.member, t.other) << testing::PrintToString(t.name);
  EXPECT_EQ(loaded->credentials, s.credentials);
  EXPECT_EQ(loaded->checkPeriod, kPeriodMonthly);

  // Empty texts delete their values; the credential block is always written.
  for (const auto& t : kTexts) (s.*t.member).clear();
  s.credentials = {};
  ASSERT_EQ(SaveSettings(s), S_OK);
  for (const auto& t : kTexts) EXPECT_FALSE(HasValue(t.name)) << testing::PrintToString(t.name);
  DWORD type = 0;
  std::vector<BYTE> block;
  ASSERT_EQ(Settings().ReadBytes(L"Authentication2", type, block), ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
  EXPECT_EQ(block.size(), 64u);
}

// The edit starts from what is stored, not from the defaults; a failed edit
// saves nothing.
TEST_F(SettingsTest, ChangeSettingsSavesTheEditOverWhatIsStoredOrNothing) {
  SetSetting(L"MaxWalletDiskSpace", 300);
  for (const HRESULT result : {S_OK, E_INVALIDARG}) {
    const auto edit = [result](InternetSettings& s) {
      s.checkAttempts = s.maxWalletDiskSpace + (result == S_OK);
      return result;
    };
    EXPECT_EQ(ChangeSettings(edit), result);
    EXPECT_EQ(GetDword(L"CheckAttempts"), 301u);
  }
  EXPECT_EQ(GetDword(L"MaxWalletDiskSpace"), 300u);
}

TEST_F(SettingsTest, OlderPeriodsAndNotifyAreConverted) {
  const struct {
    const wchar_t* name;
    DWORD value;
    std::uint32_t period;
  } cases[] = {
      {L"CheckEvery2", 0, kPeriodManual}, {L"CheckEvery2", 1, kPeriodDaily},  {L"CheckEvery2", 2, kPeriodWeekly},
      {L"CheckEvery2", 3, kPeriodWeekly}, {L"CheckEvery2", 4, kPeriodMonthly}, {L"CheckEvery", 0, kPeriodManual},
      {L"CheckEvery", 1, kPeriodWeekly},  {L"CheckEvery", 2, kPeriodWeekly},  {L"CheckEvery", 3, kPeriodMonthly},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.name) + " = " + std::to_string(c.value));
    DeleteKeyTree(HKEY_CURRENT_USER, kSettingsKey, 0);
    SetSetting(L"CheckEvery3", kPeriodDaily);  // the older value wins
    SetSetting(c.name, c.value);
    EXPECT_EQ(Load()->checkPeriod, c.period);
    EXPECT_EQ(GetDword(L"CheckEvery3"), c.period);
    EXPECT_FALSE(HasValue(c.name));
    EXPECT_EQ(Load()->checkPeriod, c.period) << "converted once";
  }
  // Notify stands for OtherSoftware until that is written.
  DeleteKeyTree(HKEY_CURRENT_USER, kSettingsKey, 0);
  for (const auto& [name, value, otherSoftware] : {std::tuple{L"Notify", 1u, 2u}, {L"Notify", 0u, 1u},
                                                   {L"OtherSoftware", 1u, 1u}, {L"Notify", 1u, 1u}}) {
    SetSetting(name, value);
    EXPECT_EQ(Load()->otherSoftware, otherSoftware) << name << value;
  }
}

TEST_F(SettingsTest, OlderKeysAreCopiedOnTheFirstLoad) {
  // The product's own key: values and subkeys move into 3.0, the originals stay.
  SetDword(HKEY_CURRENT_USER, L"SOFTWARE\\Kestmoor\\Wendrix", L"CheckAttempts", 4, 0);
  SetStringValue(HKEY_CURRENT_USER, L"SOFTWARE\\Kestmoor\\Wendrix\\StandardGUI", L"Width", L"400", 0);
  EXPECT_EQ(Load()->checkAttempts, 4u);
  EXPECT_TRUE(KeyExists(L"SOFTWARE\\Kestmoor\\Wendrix\\3.0\\StandardGUI"));
  EXPECT_FALSE(KeyExists(L"SOFTWARE\\Kestmoor\\Wendrix\\3.0\\3.0"));
  DeleteKeyTree(HKEY_CURRENT_USER, L"SOFTWARE\\Kestmoor\\Wendrix", 0);

  // Else the first of the older product's trees: 3.0 before 2.0.
  SetDword(HKEY_CURRENT_USER, L"Software\\Kestmoor\\Pellister\\2.0", L"CheckAttempts", 6, 0);
  SetDword(HKEY_CURRENT_USER, L"Software\\Kestmoor\\Pellister\\3.0", L"CheckAttempts", 7, 0);
  SetDword(HKEY_CURRENT_USER, L"Software\\Kestmoor\\Pellister\\3.0\\Sub", L"X", 1, 0);
  EXPECT_EQ(Load()->checkAttempts, 7u);
  EXPECT_TRUE(KeyExists(L"SOFTWARE\\Kestmoor\\Wendrix\\3.0\\Sub"));
  SetDword(HKEY_CURRENT_USER, L"Software\\Kestmoor\\Pellister\\3.0", L"CheckAttempts", 9, 0);
  EXPECT_EQ(Load()->checkAttempts, 7u) << "only the first load converts";
}

TEST_F(SettingsTest, LastCheckValues) {
  InternetSettings s;
  s.lastCheck = FileTimeFromParts(2026, 1, 2, 3, 4, 5);
  s.lastSkip = FileTimeFromParts(2026, 1, 3, 0, 0, 0);
  s.lastCheckResult = 1;
  ASSERT_EQ(SaveLastCheck(s), S_OK);
  EXPECT_EQ(FindValue(HKEY_CURRENT_USER, kSettingsKey, L"LastCheck", 0), Sz(L"LastCheck", L"2026-01-02T03:04:05Z"));
  InternetSettings read;
  ASSERT_EQ(LoadLastCheck(read), S_OK);
  EXPECT_EQ(read.lastCheck, s.lastCheck);
  EXPECT_EQ(read.lastSkip, s.lastSkip);
  EXPECT_EQ(read.lastCheckResult, 1u);

  s.lastCheck = 0;
  s.lastSkip = 0;
  ASSERT_EQ(SaveLastCheck(s), S_OK);
  for (const wchar_t* name : {L"LastCheck", L"LastCheckResult", L"LastSkip"}) EXPECT_FALSE(HasValue(name)) << name;
  SetStringValue(HKEY_CURRENT_USER, kSettingsKey, L"LastCheck", L"2026-13-01T00:00:00Z", 0);
  ASSERT_EQ(LoadLastCheck(read), S_OK);
  EXPECT_EQ(read.lastCheck, 0u) << "an unreadable date reads as never";
  EXPECT_EQ(read.lastCheckResult, 2u);
}

// The startup entry lives in the real registry (the 32-bit view of the
// machine's keys is not sandboxed), so these tests put every value back.
class StartupEntryTest : public testing::Test {
 protected:
  void SetUp() override {
    SetStringValue(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Kestmoor\\Wendrix\\3.8", L"Path", m_folder.Path(), KEY_WOW64_32KEY);
    Clean();
  }
  void TearDown() override {
    Clean();
    DeleteKeyTree(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Kestmoor\\Wendrix", KEY_WOW64_32KEY);
  }
  void Clean() {
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
      RegistryKey key;
      if (key.Open(root, kRunKey, KEY_SET_VALUE, KEY_WOW64_32KEY) == ERROR_SUCCESS) key.DeleteValue(L"KestmoorWendrix");
    }
    std::wstring shortcut;
    if (SUCCEEDED(OldStartupShortcutPath(StartupScope::kCurrentUser, shortcut))) DeleteFileW(shortcut.c_str());
  }
  std::wstring RunValue(HKEY root) {
    RegistryKey key;
    std::wstring value = L"<none>";
    if (key.Open(root, kRunKey, KEY_READ, KEY_WOW64_32KEY) == ERROR_SUCCESS) key.ReadString(L"KestmoorWendrix", value);
    return value;
  }
  // "user", "all", both, or "" for neither.
  static std::string Entries() {
    return std::string(HasRunEntry(StartupScope::kCurrentUser) ? "user" : "") +
           (HasRunEntry(StartupScope::kAllUsers) ? "all" : "");
  }
  TempFolder m_folder;
};

TEST_F(StartupEntryTest, EntryIsJournaledAndRolledBack) {
  CJournal journal;
  ASSERT_EQ(journal.Create(), S_OK);
  ASSERT_EQ(SetRunEntry(StartupScope::kCurrentUser, &journal), S_OK);
  EXPECT_EQ(RunValue(HKEY_CURRENT_USER), L"\"" + m_folder.Path() + L"\\wendrix.exe\" -s");
  EXPECT_EQ(Entries(), "user");
  ASSERT_EQ(journal.Rollback(), S_OK);
  EXPECT_EQ(Entries(), "");

  ASSERT_EQ(SetRunEntry(StartupScope::kAllUsers, nullptr), S_OK);
  CJournal second;
  ASSERT_EQ(second.Create(), S_OK);
  ASSERT_EQ(DeleteRunEntry(StartupScope::kAllUsers, &second), S_OK);
  EXPECT_EQ(Entries(), "");
  EXPECT_EQ(DeleteRunEntry(StartupScope::kAllUsers, &second), S_OK) << "nothing to delete";
  ASSERT_EQ(second.Rollback(), S_OK);
  EXPECT_EQ(Entries(), "all");
}

TEST_F(StartupEntryTest, EntryFollowsTheRegisteredPublishers) {
  CPublisherStore store;  // opened on nothing: the records are set by hand
  store.Records().emplace_back().id = L"1.2";
  store.Records()[0].flags = kPublisherCountedCurrentUser;
  const auto updateBoth = [&] {
    for (StartupScope scope : {StartupScope::kCurrentUser, StartupScope::kAllUsers})
      EXPECT_EQ(UpdateStartupEntry(store, scope, false, nullptr), S_OK);
    return Entries();
  };
  EXPECT_EQ(updateBoth(), "user");

  // An existing entry stays as it is unless forced.
  SetStringValue(HKEY_CURRENT_USER, kRunKey, L"KestmoorWendrix", L"old", KEY_WOW64_32KEY);
  ASSERT_EQ(UpdateStartupEntry(store, StartupScope::kCurrentUser, false, nullptr), S_OK);
  EXPECT_EQ(RunValue(HKEY_CURRENT_USER), L"old");
  ASSERT_EQ(UpdateStartupEntry(store, StartupScope::kCurrentUser, true, nullptr), S_OK);
  EXPECT_NE(RunValue(HKEY_CURRENT_USER), L"old");

  store.Records()[0].flags = kPublisherCountedOlderAllUsers;
  EXPECT_EQ(updateBoth(), "all");
  // The self publisher alone needs no scheduler.
  store.Records()[0].id = L"1.3.6.1.4.1.61717.1";
  LinkBuiltinRow(store.Records()[0], *FindBuiltinPublisher(L"Wendrix"));
  EXPECT_EQ(updateBoth(), "");
}

TEST_F(StartupEntryTest, OldShortcutGivesWayToTheEntry) {
  EXPECT_EQ(ReplacePerUserStartupShortcut(), S_OK);
  EXPECT_EQ(Entries(), "") << "no shortcut, no change";
  std::wstring shortcut;
  ASSERT_EQ(OldStartupShortcutPath(StartupScope::kCurrentUser, shortcut), S_OK);
  EXPECT_EQ(shortcut.substr(shortcut.size() - 22), L"\\Wendrix Scheduler.lnk");
  CloseHandle(CreateFileW(shortcut.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  ASSERT_TRUE(FileExists(shortcut));
  EXPECT_EQ(ReplacePerUserStartupShortcut(), S_OK);
  EXPECT_FALSE(FileExists(shortcut));
  EXPECT_EQ(Entries(), "user");
}

LRESULT CALLBACK FakeSchedulerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kSchedulerCheckEnded) return GetWindowLongPtrW(window, GWLP_USERDATA);
  return DefWindowProcW(window, message, wParam, lParam);
}

// A running scheduler's answer to WM_APP+1 decides; with none running,
// manual checks need none.
TEST_F(SettingsTest, SchedulerWindowAnswers) {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = FakeSchedulerProc;
  windowClass.lpszClassName = kSchedulerClass;
  RegisterClassW(&windowClass);
  for (const LONG_PTR answer : {1, 0}) {
    // Hidden, not message-only: FindWindow does not see message-only windows.
    HWND window = CreateWindowW(kSchedulerClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    SetWindowLongPtrW(window, GWLP_USERDATA, answer);
    EXPECT_EQ(EnsureScheduler(), answer != 0) << "a zero answer is a failure";
    EXPECT_EQ(StartSchedulerWindow(), window);
    DestroyWindow(window);
  }
  UnregisterClassW(kSchedulerClass, nullptr);
  SetSetting(L"CheckEvery3", kPeriodManual);
  EXPECT_TRUE(EnsureScheduler()) << "manual checks need no scheduler";
}

}  // namespace
}  // namespace wendrix::test

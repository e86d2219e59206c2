// The main program wendrix.exe of this build: when its scheduler runs an
// automatic check (the decision on its own, then the real program against a
// publisher on the local HTTP server), its window protocol and single
// instance, and the command lines it does not serve yet.
#include "../support/http_server.h"  // winsock2.h before windows.h

#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "../support/built_program.h"
#include "../support/registry_sandbox.h"
#include "../support/registry_values.h"
#include "../support/shell_folder_redirect.h"
#include "../support/temp_folder.h"
#include "core/date.h"
#include "platform/unique_handle.h"
#include "registration/registration.h"
#include "update/check_schedule.h"
#include "update/scheduler.h"
#include "update/settings.h"

namespace wendrix::test {
namespace {

// ---- The decision ------------------------------------------------------

constexpr std::uint64_t kSecond = 10000000;
constexpr std::uint64_t kDay = 86400 * kSecond;
constexpr std::uint64_t kNow = 13300000000 * kSecond;  // some day in 2022

// A check is due one period after the later of the last check and skip, or
// one period after the start for a user who has neither (taken literally,
// "one period from now" would never come). The next look comes when the
// check falls due, never sooner than a second, at most a minute ahead. After
// a run whose outcome was not recorded the next waits an hour.
TEST(CheckSchedule, Decisions) {
  constexpr std::uint64_t kOld = kNow - 30 * kDay;
  const struct {
    std::uint64_t started;
    bool ranNow;
    std::uint32_t period;
    std::uint64_t lastCheck, lastSkip, now;
    bool checkNow;
    std::optional<std::uint32_t> lookAgainMs;  // not compared when nothing
  } cases[] = {
      {kNow - kDay, false, kPeriodWeekly, kNow - 8 * kDay, kNow - 2 * kDay, kNow, false, kScheduleLookInterval},
      {kNow - kDay, false, kPeriodManual, kNow - 400 * kDay, 0, kNow, false, {}},
      {kNow - kDay, false, kPeriodManual, 0, 0, kNow, false, kScheduleLookInterval},
      {kNow, false, kPeriodDaily, 0, 0, kNow + kDay - kSecond, false, {}},
      {kNow, false, kPeriodDaily, 0, 0, kNow + kDay, true, {}},
      {kNow, false, kPeriodDaily, kNow - kDay + 10 * kSecond + kSecond / 2, 0, kNow, false, 10500},
      {kNow, false, kPeriodDaily, kNow - kDay + kSecond / 5, 0, kNow, false, 1000},
      {kNow, true, kPeriodDaily, kOld, 0, kNow + 59 * 60 * kSecond, false, 60000},
      {kNow, true, kPeriodDaily, kOld, 0, kNow + 3600 * kSecond, true, {}},
      {kNow, true, kPeriodDaily, kOld, 0, kNow - kDay, true, {}},  // a clock set back does not hold it
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const auto& c = cases[i];
    CheckSchedule schedule(c.started);
    if (c.ranNow) schedule.Ran(kNow);
    const ScheduleDecision decision = schedule.Decide(c.period, c.lastCheck, c.lastSkip, c.now);
    EXPECT_EQ(decision.checkNow, c.checkNow) << "case " << i;
    if (c.lookAgainMs) {
      EXPECT_EQ(decision.lookAgainMs, *c.lookAgainMs) << "case " << i;
    }
  }
}

// ---- The program ---------------------------------------------------------

constexpr UINT kCheckEnded = WM_APP + 1;
constexpr UINT kQueryState = WM_APP + 2;
constexpr wchar_t kOldCheck[] = L"2001-02-03T04:05:06Z";

std::wstring LastCheck() {
  const std::optional<Value> value = FindValue(HKEY_CURRENT_USER, kSettingsKey, L"LastCheck", 0);
  return value ? std::get<2>(*value) : L"<none>";
}

HWND WaitForScheduler() {
  for (int i = 0; i < 400; ++i, Sleep(50))
    if (HWND window = FindWindowW(kSchedulerClass, nullptr)) return window;
  return nullptr;
}

LRESULT Ask(HWND window, UINT message) {
  DWORD_PTR answer = 0;
  if (!SendMessageTimeoutW(window, message, 0, 0, SMTO_NORMAL, 10000, &answer)) return -1;
  return static_cast<LRESULT>(answer);
}

// The user's settings and publisher store are the test's own; the check's
// publisher lives on the local HTTP server.
class SchedulerProgramTest : public ShellFolderTest {
 protected:
  // The child processes read the user's real settings key.
  void SetUp() override {
    ShellFolderTest::SetUp();
    ASSERT_EQ(FindWindowW(kSchedulerClass, nullptr), nullptr) << "a scheduler runs already";
    ASSERT_TRUE(m_server.Start());
    for (const auto& [name, value] : {std::pair{L"Proxy", 0}, {L"CheckAttempts", 1}, {L"HangUp", 0}, {L"Prompt", 0}})
      SetSetting(name, value);
    SetStringValue(HKEY_CURRENT_USER, kSettingsKey, L"LastCheck", kOldCheck, 0);
  }
  void TearDown() override {
    m_server.Stop();
    ShellFolderTest::TearDown();
  }

  void RegisterPublisher() {
    m_server.On("/1.2.3", MakeReply(200, "OK",
                                    "[Publisher]\r\nID = 1.2.3\r\nName = Acme\r\nHomePage = http://acme.example/\r\n"
                                    "Application = \"Kestmoor(R) Wendrix(TM)\"\r\n[Text]\r\nID = t\r\n"
                                    "Text = en, Editor\r\n[Item]\r\nID = editor\r\nTitle = t\r\nType = Software\r\n"
                                    "Action = get\r\n[Action]\r\nID = get\r\nType = Download\r\n"
                                    "Subtype = Generic\r\nVersion = 1.0\r\nURL = http://x.example/e.exe\r\n"));
    Registration r;
    r.id = L"1.2.3";
    r.name = L"Acme";
    r.homePage = L"http://acme.example/";
    r.dataSource = m_server.Url("/1.2.3");
    ASSERT_EQ(RegisterInScope(r, kScopeCurrentUser, nullptr), S_OK);
  }

  TestHttpServer m_server;
  OwnSettingsKey m_settingsKey;
};

TEST_F(SchedulerProgramTest, RunsTheDueCheckAndStaysSingle) {
  RegisterPublisher();
  SetSetting(L"CheckEvery3", kPeriodDaily);
  BuiltProgram scheduler(L"wendrix.exe", L"/s");
  HWND window = WaitForScheduler();
  ASSERT_NE(window, nullptr);
  EXPECT_NE(Ask(window, kCheckEnded), 0) << "the schedule is set";

  // The check was due at once: the publisher is fetched and the check
  // recorded by the library.
  for (int i = 0; i < 600 && (m_server.CountFor("/1.2.3") == 0 || LastCheck() == kOldCheck); ++i) Sleep(50);
  EXPECT_EQ(m_server.CountFor("/1.2.3"), 1u);
  const std::optional<std::uint64_t> when = ParseDate(LastCheck());
  ASSERT_TRUE(when.has_value()) << LastCheck();
  EXPECT_LT(FileTimeNow() - *when, 120 * kSecond) << "the check was not recorded";
  for (int i = 0; i < 200 && Ask(window, kQueryState) != 1; ++i) Sleep(50);
  EXPECT_EQ(Ask(window, kQueryState), 1) << "idle after the check";
  EXPECT_NE(Ask(window, kCheckEnded), 0);
  Sleep(500);
  EXPECT_EQ(m_server.CountFor("/1.2.3"), 1u) << "not due again";

  // The startup entry's form of the switch finds the running one and leaves.
  BuiltProgram second(L"wendrix.exe", L"-s");
  EXPECT_EQ(second.Wait(20000), std::optional<DWORD>(0));
  EXPECT_EQ(FindWindowW(kSchedulerClass, nullptr), window);

  PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(scheduler.Wait(10000), std::optional<DWORD>(0));
  EXPECT_EQ(FindWindowW(kSchedulerClass, nullptr), nullptr);
}

TEST_F(SchedulerProgramTest, ManualChecksKeepTheWindowWithoutChecking) {
  SetSetting(L"CheckEvery3", kPeriodManual);
  BuiltProgram scheduler(L"wendrix.exe", L"/sf");
  HWND window = WaitForScheduler();
  ASSERT_NE(window, nullptr);
  EXPECT_NE(Ask(window, kCheckEnded), 0);
  EXPECT_EQ(Ask(window, kQueryState), 1);
  Sleep(1000);
  EXPECT_EQ(LastCheck(), kOldCheck) << "no automatic check";

  // How the library stops the product's programs.
  EXPECT_EQ(Ask(window, WM_APP), 1);
  EXPECT_EQ(scheduler.Wait(10000), std::optional<DWORD>(0));
}

BOOL CALLBACK CloseMessageBox(HWND window, LPARAM processId) {
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  wchar_t name[16] = {};
  GetClassNameW(window, name, 16);
  if (owner == static_cast<DWORD>(processId) && std::wstring(name) == L"#32770") PostMessageW(window, WM_COMMAND, IDOK, 0);
  return TRUE;
}

// Answers the message boxes of `process` with OK until it ends; its exit code.
std::optional<DWORD> DismissUntilEnded(BuiltProgram& process) {
  for (int i = 0; i < 400; ++i) {
    if (auto code = process.Wait(50)) return code;
    EnumWindows(CloseMessageBox, static_cast<LPARAM>(process.Id()));
  }
  return std::nullopt;
}

TEST_F(SchedulerProgramTest, OtherCommandLines) {
  // The user interface's command lines open the main window (tests/ui).
  // A form the program does not know is refused; no argument resumes the
  // (empty) wallet, "/d:" runs an entry that does not exist. A data file
  // opened from the shell: the quoted path with its blank reaches the
  // library, which reports what is wrong with the file.
  constexpr HRESULT kNotFound = static_cast<HRESULT>(0x80070002);
  const std::pair<std::wstring, HRESULT> kLines[] = {
      {L"/z:1", E_INVALIDARG},
      {L"", S_OK},
      {L"/d:{0A} \"/x:notepad.exe\"", kNotFound},
      {L"\"/l:" + m_temp.Write(L"broken file.wx-cnf", "[Publisher\r\n") + L"\"", static_cast<HRESULT>(0x8007000D)},
      {L"\"/l:" + m_temp.File(L"no such file.wx-cnf") + L"\"", kNotFound},
  };
  for (const auto& [arguments, code] : kLines) {
    BuiltProgram program(L"wendrix.exe", arguments);
    EXPECT_EQ(DismissUntilEnded(program), std::optional<DWORD>(static_cast<DWORD>(code))) << arguments;
  }
}

}  // namespace
}  // namespace wendrix::test

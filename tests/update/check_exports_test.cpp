// The check exports through the library file: the summary text, the item
// flags, unknown publishers and groups, and the bookkeeping of automatic
// checks.
#include "check_fixture.h"  // winsock2.h before windows.h

#include <gtest/gtest.h>

#include <string>

#include "../support/registry_sandbox.h"
#include "../support/registry_values.h"

namespace wendrix::test {
namespace {

using CheckExFn = HRESULT(WINAPI*)(const wchar_t*, const wchar_t*, const wchar_t*, wchar_t**, UINT32*, UINT32*, UINT32);
using CheckFn = HRESULT(WINAPI*)(const char*, const char*, char**, UINT32*, UINT32*, UINT32);

constexpr UINT32 kAutomatic = 0x80000000u;
constexpr UINT32 kLeaveScheduler = 0x40000000u;
constexpr wchar_t kInstalledKey[] = L"Software\\WendrixCheckExportsTest";
constexpr HRESULT kNotFound = static_cast<HRESULT>(0x80070490);

// A publisher with items "<name>" titled "<name> Tool", each offered at 2.0
// and found installed at 1.0 through the registry.
std::string ToolsFile(const std::wstring& id, std::initializer_list<const char*> names) {
  std::string text = "[Publisher]\r\nID = " + Utf8(id) + "\r\nName = Publisher " + Utf8(id) + "\r\nHomePage = http://p" +
                     Utf8(id) + ".example/\r\nApplication = \"Kestmoor(R) Wendrix(TM)\"\r\n";
  for (const char* name : names) {
    const std::string n = name;
    text += "[Text]\r\nID = t-" + n + "\r\nText = en, \"" + n + " Tool\"\r\n[InstalledVersion]\r\nID = iv-" + n +
            "\r\nApplication = HKEY_CURRENT_USER\\Software\\WendrixCheckExportsTest\\" + n + ", \"\"\r\n[Item]\r\nID = " +
            n + "\r\nTitle = t-" + n + "\r\nType = Software\r\nInstalledVersion = iv-" + n + "\r\nAction = get-" + n +
            "\r\nAction = buy-" + n + "\r\n[Action]\r\nID = get-" + n +
            "\r\nType = Download\r\nSubtype = Update\r\nVersion = 2.0\r\nURL = http://x.example/" + n +
            ".exe\r\n[Action]\r\nID = buy-" + n + "\r\nType = Buy\r\nSubtype = Generic\r\nVersion = 2.0\r\n"
            "URL = http://x.example/buy\r\n";
  }
  return text + "[Group]\r\nID = all\r\nTitle = t-" + *names.begin() + "\r\nItems = " + *names.begin() + "\r\n";
}

class CheckExportsTest : public CheckFixture {
 protected:
  bool ServesFromFolder() const override { return true; }
  void SetUp() override {
    CheckFixture::SetUp();
    m_checkEx = reinterpret_cast<CheckExFn>(reinterpret_cast<void*>(GetProcAddress(m_library, "WendrixCheckEx")));
    m_check = reinterpret_cast<CheckFn>(reinterpret_cast<void*>(GetProcAddress(m_library, "WendrixCheck")));
    ASSERT_NE(m_checkEx, nullptr);
    // One attempt, manual checks: no scheduler is started.
    SetSetting(L"CheckAttempts", 1);
    SetSetting(L"CheckEvery3", 0);
    for (const wchar_t* name : {L"a", L"b", L"c", L"d"})
      SetStringValue(HKEY_CURRENT_USER, std::wstring(kInstalledKey) + L"\\" + name, L"", L"1.0", 0);
  }
  void TearDown() override {
    DeleteKeyTree(HKEY_CURRENT_USER, kInstalledKey, 0);
    CheckFixture::TearDown();
  }
  struct Answer {
    HRESULT result;
    std::wstring summary;
    UINT32 summaryFlags, itemFlags;
    bool summaryNull;
  };
  Answer CheckEx(const wchar_t* publisher, const wchar_t* group, const wchar_t* item, UINT32 options = kLeaveScheduler) {
    wchar_t* summary = reinterpret_cast<wchar_t*>(1);
    UINT32 summaryFlags = 99, itemFlags = 99;
    Answer a{m_checkEx(publisher, group, item, &summary, &summaryFlags, &itemFlags, options), L"", summaryFlags,
             itemFlags, summary == nullptr};
    if (summary) {
      a.summary = summary;
      GlobalFree(summary);
    }
    return a;
  }

  OwnSettingsKey m_settingsKey;
  CheckExFn m_checkEx = nullptr;
  CheckFn m_check = nullptr;
};

TEST_F(CheckExportsTest, SummaryListsThreeUpdatesThenMoreAndItemFlagsNarrowDown) {
  Register(L"1.1");
  Register(L"2.2");
  Serve(L"1.1", MakeReply(200, "OK", ToolsFile(L"1.1", {"a", "b"})));
  Serve(L"2.2", MakeReply(200, "OK", ToolsFile(L"2.2", {"c", "d"})));
  Answer a = CheckEx(nullptr, nullptr, nullptr);
  ASSERT_EQ(a.result, S_OK);
  EXPECT_EQ(a.summary, L"Updates are available:\r\n- a Tool\r\n- b Tool\r\n- c Tool\r\n- More...");
  EXPECT_EQ(a.summaryFlags, 1u);
  EXPECT_EQ(a.itemFlags, 1u) << "every publisher's items";

  // A second check finds nothing new: no summary at all.
  a = CheckEx(nullptr, nullptr, nullptr);
  ASSERT_EQ(a.result, S_OK);
  EXPECT_TRUE(a.summaryNull);
  EXPECT_EQ(a.summaryFlags, 0u);
  EXPECT_EQ(a.itemFlags, 1u) << "the update is still on offer";

  if (m_check) {
    char* ansi = reinterpret_cast<char*>(1);
    UINT32 flags = 0;
    EXPECT_EQ(m_check("Publisher 1.1", "a", &ansi, &flags, nullptr, kLeaveScheduler), S_OK);
    EXPECT_EQ(ansi, nullptr) << "nothing new since the last check";
  }

  // The item flags of one publisher, group or item.
  const struct {
    const wchar_t *publisher, *group, *item;
    HRESULT result;
    UINT32 itemFlags;
  } cases[] = {
      {L"1.1", nullptr, L"a", S_OK, 1 | 8 | 16},
      {L"Publisher 1.1", L"all", L"b", S_OK, 0},  // b is not in the group
      {L"1.1", L"all", nullptr, S_OK, 1},
      {L"1.1", L"none", nullptr, kNotFound, 0},
      {L"9.9", nullptr, nullptr, kNotFound, 0},
  };
  for (const auto& c : cases) {
    const Answer a = CheckEx(c.publisher, c.group, c.item);
    EXPECT_EQ(a.result, c.result) << c.publisher << " " << (c.group ? c.group : L"-");
    EXPECT_EQ(a.itemFlags, c.itemFlags) << c.publisher << " " << (c.item ? c.item : L"-");
    if (FAILED(c.result)) {
      EXPECT_TRUE(a.summaryNull && a.summaryFlags == 0) << "outputs stay cleared";
    }
  }
}

// Without a publisher the item flags take in the library's own publisher
// too: its built-in address is reached through the served folder as proxy.
TEST_F(CheckExportsTest, ItemFlagsOfEveryPublisherIncludeTheLibrarysOwn) {
  const std::wstring selfId = SelfPublisher().id;
  ASSERT_NO_FATAL_FAILURE(EnableSelfPublisher());  // the fixture switched it off
  SetSetting(L"Proxy", 1);
  SetStringValue(HKEY_CURRENT_USER, kSettingsKey, L"ProxyServer", L"127.0.0.1:" + std::to_wstring(m_folderPort), 0);
  SetSetting(L"NoProxyForLAN", 0);
  const std::filesystem::path selfFile = m_folder.parent_path() / L"wendrix" / L"wendrix.wx-cnf";
  std::filesystem::create_directories(selfFile.parent_path());
  std::ofstream(selfFile, std::ios::binary) << SelfDataFile("9.0");
  Register(L"1.1");
  Serve(L"1.1", MakeReply(200, "OK", DataFile(L"1.1", "2.0")));  // its editor is not installed
  const Answer a = CheckEx(nullptr, nullptr, nullptr);
  std::error_code ignored;
  std::filesystem::remove_all(selfFile.parent_path(), ignored);
  ASSERT_EQ(a.result, S_OK) << ErrorFile(selfId);
  EXPECT_EQ(a.itemFlags, 1u) << "the library's own publisher offers an update of itself";
}

// A stand-in main window: counts the reload requests a check sends it.
int g_reloads = 0;
LRESULT CALLBACK CountReloads(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_APP + 4) ++g_reloads;
  return DefWindowProcW(window, message, w, l);
}

// An automatic check is recorded, failed or not, so that it is not retried
// at once; a running main window hears of every check.
TEST_F(CheckExportsTest, AutomaticChecksAreRecordedAndTheMainWindowHearsOfEveryCheck) {
  ASSERT_NE(OpenWindow(L"WendrixDialog", CountReloads), nullptr);
  g_reloads = 0;
  Register(L"1.1");
  Register(L"2.2");
  Serve(L"1.1", MakeReply(200, "OK", ToolsFile(L"1.1", {"a"})));  // 2.2 answers 404
  EXPECT_EQ(CheckEx(nullptr, nullptr, nullptr, kAutomatic | kLeaveScheduler).result, 2);
  InternetSettings settings;
  ASSERT_EQ(LoadLastCheck(settings), S_OK);
  EXPECT_EQ(settings.lastCheckResult, 1u);
  EXPECT_GT(settings.lastCheck, FileTimeNow() - 600 * 10'000'000ull);
  EXPECT_TRUE(FAILED(CheckEx(L"2.2", nullptr, nullptr).result));
  EXPECT_EQ(g_reloads, 2) << "a failed check changed the store too";

  const std::uint64_t yesterday = FileTimeNow() - 86400 * 10'000'000ull;
  settings.lastCheck = yesterday;
  ASSERT_EQ(SaveLastCheck(settings), S_OK);
  EXPECT_EQ(CheckEx(L"unknown", nullptr, nullptr, kAutomatic | kLeaveScheduler).result, kNotFound);
  ASSERT_EQ(LoadLastCheck(settings), S_OK);
  EXPECT_GT(settings.lastCheck, yesterday);
  EXPECT_EQ(settings.lastSkip, 0u);
}

}  // namespace
}  // namespace wendrix::test

// The Options dialog and the About box for real: shown on a thread of their
// own, filled in by messages to their controls as a user's typing would, and
// read back from the registry. A scheduler window of the test's own counts
// the Options dialog's calls.
#include "ui/options_dialog.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "../support/loaded_library.h"
#include "../support/registry_sandbox.h"
#include "../support/registry_values.h"
#include "frame/module_state.h"
#include "frame/product_keys.h"
#include "frame/product_web_site.h"
#include "frame/string_table.h"
#include "resources/options_ids.h"
#include "ui/about_box.h"
#include "ui/options_pages.h"
#include "ui_driver.h"
#include "update/scheduler.h"
#include "update/settings.h"

namespace wendrix::test {
namespace {

// The message box that `owner` shows, waited for up to 10 s.
HWND WaitForBoxOf(HWND owner) {
  HWND box = nullptr;
  WaitFor([&] {
    while ((box = FindWindowExW(nullptr, box, L"#32770", nullptr)))
      if (GetWindow(box, GW_OWNER) == owner && IsWindowVisible(box)) return true;  // visible once it is built
    return false;
  }, 200);
  return box;
}

// A stand-in for the main program's scheduler window, on a thread that
// answers its messages: it counts the check-ended calls.
class SchedulerWindow {
 public:
  SchedulerWindow() {
    calls = 0;
    m_thread = std::thread([this] {
      WNDCLASSW windowClass{};
      windowClass.lpfnWndProc = Proc;
      windowClass.lpszClassName = kSchedulerClass;
      RegisterClassW(&windowClass);
      const HWND window = CreateWindowExW(0, kSchedulerClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
      m_threadId = GetCurrentThreadId();
      MSG message;
      while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
      DestroyWindow(window);
      UnregisterClassW(kSchedulerClass, nullptr);
    });
    while (!m_threadId) Sleep(5);
  }
  ~SchedulerWindow() {
    PostThreadMessageW(m_threadId, WM_QUIT, 0, 0);
    m_thread.join();
  }
  static inline std::atomic<int> calls{0};

 private:
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM w, LPARAM l) {
    if (message != kSchedulerCheckEnded) return DefWindowProcW(window, message, w, l);
    return ++calls, 1;
  }
  std::thread m_thread;
  std::atomic<DWORD> m_threadId{0};
};

class DialogTest : public testing::Test {
 public:  // the cases' tables fill the dialog through these
  void SetUp() override {
    if (!m_library.Loaded()) GTEST_SKIP() << "the library does not load";
  }

  HWND Open() { return m_dialog = m_shown.Open([] { return ShowOptionsDialog(nullptr); }, L"Wendrix Options"); }
  HRESULT Press(int button) { return m_shown.Press(button); }
  HWND Field(int control) {
    const HWND window = Control(m_dialog, control);
    EXPECT_NE(window, nullptr) << control;
    return window;
  }
  void Type(int control, const wchar_t* text) {
    SendMessageW(Field(control), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
  }
  void SetCheck(int control, bool checked) {
    SendMessageW(Field(control), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
  }
  void ChooseProxy(int mode) {
    for (const int radio : {WX_CONTROL_PROXY_DIRECT, WX_CONTROL_PROXY_SYSTEM, WX_CONTROL_PROXY_EXPLICIT})
      SetCheck(radio, radio == mode);
  }
  void ChoosePeriod(const wchar_t* name) {
    const HWND periods = Field(WX_CONTROL_PERIOD);
    const LRESULT index =
        SendMessageW(periods, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(name));
    ASSERT_GE(index, 0) << "no period named so";
    SendMessageW(periods, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  }
  LRESULT Page() { return SendMessageW(Field(WX_CONTROL_OPTIONS_TABS), TCM_GETCURSEL, 0, 0); }
  // Whether the page holding `control` shows.
  bool PageShown(int control) { return IsWindowVisible(GetParent(Field(control))) != FALSE; }

  static std::unique_ptr<InternetSettings> Stored() {
    std::unique_ptr<InternetSettings> settings;
    EXPECT_EQ(LoadSettings(settings), S_OK);
    return settings;
  }
  static void StoreWeeklyDefaults() {
    InternetSettings settings;
    settings.checkPeriod = kPeriodWeekly;
    settings.userAgent = L"Agent/%1";
    ASSERT_EQ(SaveSettings(settings), S_OK);
  }

  LoadedLibrary m_library;
  RegistrySandbox m_sandbox{true};  // the machine's key too: no product folder, no program to start
  ShownDialog m_shown;
  HWND m_dialog = nullptr;
};

TEST_F(DialogTest, AboutBoxShowsNameVersionAndSiteAndClosesWithOkOrEsc) {
  ASSERT_FALSE(Module().version.empty());
  for (const int button : {IDOK, IDCANCEL}) {
    const HWND box = m_shown.Open([] { return ShowAboutBox(nullptr); }, L"About Wendrix");
    ASSERT_NE(box, nullptr);
    const auto text = [box](int id) { return TextOf(GetDlgItem(box, id)); };
    EXPECT_EQ(text(WX_CONTROL_ABOUT_NAME), L"Wendrix");
    EXPECT_EQ(text(WX_CONTROL_ABOUT_VERSION), L"Version " + Module().version);
    EXPECT_NE(text(WX_CONTROL_ABOUT_COPYRIGHT).find(L"Kestmoor"), std::wstring::npos);
    EXPECT_EQ(text(WX_CONTROL_ABOUT_COPYRIGHT).find(L"%y"), std::wstring::npos);
    EXPECT_NE(text(WX_CONTROL_ABOUT_LINK).find(std::wstring(L"<a>") + kProductWebSite + L"</a>"), std::wstring::npos);
    EXPECT_EQ(m_shown.Press(button), S_OK) << button;
  }
}

// Keys go through the dialog's own message loop: Esc cancels every change,
// Enter saves, and the same period leaves the scheduler alone. OK saves
// every page and tells the scheduler of the new period.
TEST_F(DialogTest, EscCancelsEnterSavesAndOkSavesEveryPage) {
  StoreWeeklyDefaults();
  SchedulerWindow scheduler;
  const auto before = ReadValues(HKEY_CURRENT_USER, kSettingsKey, 0);
  ASSERT_TRUE(before);
  for (const WPARAM key : {VK_ESCAPE, VK_RETURN}) {
    ASSERT_NE(Open(), nullptr);
    EXPECT_EQ(TextOf(Field(WX_CONTROL_ATTEMPTS)), L"2");
    Type(WX_CONTROL_ATTEMPTS, L"6");
    if (key == VK_ESCAPE) {
      ChoosePeriod(L"Manual");
      Type(WX_CONTROL_PROXY_USER, L"someone");
    }
    const HWND field = Field(WX_CONTROL_ATTEMPTS);
    SendMessageW(m_dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(field), TRUE);
    PostMessageW(field, WM_KEYDOWN, key, 0);
    EXPECT_EQ(m_shown.Closed(), key == VK_RETURN ? S_OK : S_FALSE);
    if (key == VK_ESCAPE) {
      EXPECT_EQ(ReadValues(HKEY_CURRENT_USER, kSettingsKey, 0), before);
    }
  }
  EXPECT_EQ(Stored()->checkAttempts, 6u);
  EXPECT_EQ(scheduler.calls, 0);

  ASSERT_NE(Open(), nullptr);
  EXPECT_EQ(TextOf(Field(WX_CONTROL_ATTEMPTS)), L"6");
  EXPECT_EQ(TextOf(Field(WX_CONTROL_WALLET_SPACE)), L"100");
  ChoosePeriod(L"Daily");
  ChooseProxy(WX_CONTROL_PROXY_EXPLICIT);
  for (const auto& [control, text] : std::vector<std::pair<int, const wchar_t*>>{
           {WX_CONTROL_ATTEMPTS, L"4"}, {WX_CONTROL_RETRY_PAUSE, L"7"},
           {WX_CONTROL_PROXY_SERVER, L"proxy.example.com:8080"}, {WX_CONTROL_PROXY_USER, L"anna"},
           {WX_CONTROL_PROXY_PASSWORD, L"pa;ss"}, {WX_CONTROL_DIAL_ENTRY, L"Office line"}, {WX_CONTROL_DIAL_USER, L"bob"},
           {WX_CONTROL_DIAL_PASSWORD, L"secret"}, {WX_CONTROL_DIAL_DOMAIN, L"KESTMOOR"},
           {WX_CONTROL_WALLET_SPACE, L"250"}, {WX_CONTROL_DOWNLOADS, L"3"}})
    Type(control, text);
  for (const auto& [control, checked] : std::vector<std::pair<int, bool>>{
           {WX_CONTROL_CHECK_WHEN_LAUNCHED, false}, {WX_CONTROL_PROXY_BYPASS_LOCAL, false}, {WX_CONTROL_COOKIES, false},
           {WX_CONTROL_DIAL_UP, true}, {WX_CONTROL_HANG_UP, false}, {WX_CONTROL_PROMPT, true},
           {WX_CONTROL_NOTIFY_UPDATES, false}, {WX_CONTROL_NOTIFY_OTHER_SOFTWARE, true},
           {WX_CONTROL_STRICT_DATA_FILES, true}})
    SetCheck(control, checked);
  EXPECT_EQ(Press(IDOK), S_OK);

  const auto values = ReadValues(HKEY_CURRENT_USER, kSettingsKey, 0);
  ASSERT_TRUE(values);
  for (const Value& expected :
       {Dword(L"CheckEvery3", kPeriodDaily), Dword(L"CheckWhenLaunched", 0), Dword(L"CheckAttempts", 4),
        Dword(L"CheckRetryPause", 7), Dword(L"Proxy", kProxyExplicit), Sz(L"ProxyServer", L"proxy.example.com:8080"),
        Dword(L"NoProxyForLAN", 0), Dword(L"Cookies", 0), Dword(L"Modem", 1), Sz(L"DialUp", L"Office line"),
        Dword(L"HangUp", 0), Dword(L"MaxWalletDiskSpace", 250), Dword(L"MaxConcurrentDownloads", 3),
        Dword(L"Prompt", 1), Dword(L"OtherSoftware", 2), Dword(L"INIDebug", 1), Sz(L"UserAgent", L"Agent/%1")})
    EXPECT_NE(std::find(values->begin(), values->end(), expected), values->end()) << std::get<0>(expected);
  EXPECT_EQ(Stored()->credentials, (Credentials{L"bob", L"secret", L"KESTMOOR", L"anna", L"pa;ss"}));
  EXPECT_EQ(scheduler.calls, 1);
}

TEST_F(DialogTest, ARefusedFieldIsShownAndNothingIsSaved) {
  const struct {
    const char* name;
    std::function<void(DialogTest&)> enter;
    int page;
    int control;
    const wchar_t* says;
  } cases[] = {
      {"too many attempts", [](DialogTest& t) { t.Type(WX_CONTROL_ATTEMPTS, L"11"); }, 0, WX_CONTROL_ATTEMPTS,
       L"from 1 to 10"},
      {"a proxy without a host",
       [](DialogTest& t) { t.ChooseProxy(WX_CONTROL_PROXY_EXPLICIT), t.Type(WX_CONTROL_PROXY_SERVER, L":80"); },
       1, WX_CONTROL_PROXY_SERVER, L"proxy.example.com:8080"},
      {"dialling without an entry", [](DialogTest& t) { t.SetCheck(WX_CONTROL_DIAL_UP, true); }, 1,
       WX_CONTROL_DIAL_ENTRY, L"dial-up connection"},
      {"an empty wallet", [](DialogTest& t) { t.Type(WX_CONTROL_WALLET_SPACE, L"0"); }, 2,
       WX_CONTROL_WALLET_SPACE, L"from 1 to 1048576"},
  };
  StoreWeeklyDefaults();
  const auto before = ReadValues(HKEY_CURRENT_USER, kSettingsKey, 0);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_NE(Open(), nullptr);
    c.enter(*this);
    PostMessageW(m_dialog, WM_COMMAND, IDOK, 0);
    const HWND box = WaitForBoxOf(m_dialog);
    ASSERT_NE(box, nullptr);
    EXPECT_NE(TextOf(GetDlgItem(box, 0xFFFF)).find(c.says), std::wstring::npos);  // the box's message
    EXPECT_EQ(Page(), c.page);
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    // The caret waits in the refused field (for a combo box, in its edit).
    const HWND field = Field(c.control);
    EXPECT_TRUE(WaitFor([&] { return FocusOf(m_dialog) == field || GetParent(FocusOf(m_dialog)) == field; }, 200));
    EXPECT_TRUE(IsWindow(m_dialog));
    EXPECT_EQ(Press(IDCANCEL), S_FALSE);
    EXPECT_EQ(ReadValues(HKEY_CURRENT_USER, kSettingsKey, 0), before);
  }
}

// The keyboard alone reaches every page and control: Tab from the tabs
// through the page shown to the buttons, an access key only on the page
// shown, Ctrl+Tab and Ctrl+Shift+Tab round the pages, the arrow keys on the
// tabs. Access keys ("&x") must not repeat on a page, or Alt+x reaches only
// one of the controls, in each language of the string table.
TEST_F(DialogTest, TheKeyboardReachesEveryPageAndControl) {
  ASSERT_NE(Open(), nullptr);
  const HWND tabs = Field(WX_CONTROL_OPTIONS_TABS);
  EXPECT_EQ(FocusOf(m_dialog), tabs);
  HWND at = tabs;
  for (const int id : {WX_CONTROL_PERIOD, WX_CONTROL_CHECK_WHEN_LAUNCHED, WX_CONTROL_ATTEMPTS, WX_CONTROL_RETRY_PAUSE,
                       IDOK, IDCANCEL, WX_CONTROL_OPTIONS_TABS})
    EXPECT_EQ(GetDlgCtrlID(at = GetNextDlgTabItem(m_dialog, at, FALSE)), id);

  // The dialog's thread handles its posted messages in order: a switch
  // flipped by a message posted after the key tells when the key is done.
  const HWND marker = Field(WX_CONTROL_CHECK_WHEN_LAUNCHED);
  const auto pressAlt = [&](wchar_t key) {
    const LRESULT flipped = SendMessageW(marker, BM_GETCHECK, 0, 0) == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
    PostMessageW(FocusOf(m_dialog), WM_SYSCHAR, key, 1 << 29);
    PostMessageW(marker, BM_SETCHECK, static_cast<WPARAM>(flipped), 0);
    WaitFor([&] { return SendMessageW(marker, BM_GETCHECK, 0, 0) == flipped; }, 200);
    return FocusOf(m_dialog);
  };
  // "&Wallet size limit" lives on the hidden Downloads page.
  EXPECT_EQ(pressAlt(L'w'), tabs);
  EXPECT_EQ(pressAlt(L'a'), Field(WX_CONTROL_ATTEMPTS));

  // Ctrl (and Shift) held: the key state the dialog's thread reads is shared
  // with this thread while their input is attached.
  const DWORD dialogThread = GetWindowThreadProcessId(m_dialog, nullptr);
  ASSERT_TRUE(AttachThreadInput(GetCurrentThreadId(), dialogThread, TRUE));
  // Round from the first page to the last.
  for (const auto& [shift, page] : std::initializer_list<std::pair<bool, int>>{{false, 1}, {true, 0}, {true, 3}}) {
    BYTE keys[256] = {};
    keys[VK_CONTROL] = 0x80;
    keys[VK_SHIFT] = shift ? 0x80 : 0;
    SetKeyboardState(keys);
    // Wine lets a thread reuse the key state it read for up to 50 ms.
    Sleep(100);
    PostMessageW(FocusOf(m_dialog), WM_KEYDOWN, VK_TAB, 0);
    EXPECT_TRUE(WaitFor([&, page = page] { return Page() == page; }, 100)) << shift << " " << page;
    if (page == 1) {
      EXPECT_TRUE(PageShown(WX_CONTROL_PROXY_SERVER));
    }
  }
  BYTE released[256] = {};
  SetKeyboardState(released);
  AttachThreadInput(GetCurrentThreadId(), dialogThread, FALSE);
  EXPECT_TRUE(PageShown(WX_CONTROL_PROMPT));
  EXPECT_FALSE(PageShown(WX_CONTROL_ATTEMPTS));

  PostMessageW(tabs, WM_KEYDOWN, VK_LEFT, 0);
  EXPECT_TRUE(WaitFor([&] { return PageShown(WX_CONTROL_WALLET_SPACE); }, 100));
  EXPECT_FALSE(PageShown(WX_CONTROL_PROMPT));
  EXPECT_EQ(Page(), 2);

  std::vector<std::vector<int>> pages;
  for (HWND page = nullptr; (page = FindWindowExW(m_dialog, page, L"#32770", nullptr));) {
    pages.emplace_back();
    for (HWND control = GetWindow(page, GW_CHILD); control; control = GetWindow(control, GW_HWNDNEXT))
      pages.back().push_back(GetDlgCtrlID(control));
  }
  EXPECT_EQ(pages.size(), 4u);
  // Wine picks the resource language by the process's locale, so the texts
  // are taken from each table, the controls from the dialog.
  for (const LANGID language : {MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), MAKELANGID(LANG_ITALIAN, SUBLANG_ITALIAN)}) {
    for (std::size_t page = 0; page < pages.size(); ++page) {
      std::wstring keys;
      for (const int control : pages[page]) {
        const UINT id = ControlTextId(control);
        if (!id) continue;
        const std::wstring text = LoadStringText(id, language);
        EXPECT_FALSE(text.empty()) << "string " << id << " in language " << language;
        const std::size_t amp = text.find(L'&');
        if (amp == std::wstring::npos || amp + 1 >= text.size()) continue;
        const wchar_t key = static_cast<wchar_t>(towlower(text[amp + 1]));
        EXPECT_EQ(keys.find(key), std::wstring::npos) << "page " << page << ", language " << language << ": " << text;
        keys += key;
      }
      EXPECT_GE(keys.size(), 2u) << "page " << page;
    }
  }
}

}  // namespace
}  // namespace wendrix::test

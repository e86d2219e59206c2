// The About box for real: its texts and that OK and Esc close it.
#include "ui/about_box.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "../support/loaded_library.h"
#include "frame/module_state.h"
#include "frame/product_web_site.h"
#include "resources/options_ids.h"

namespace wendrix::test {
namespace {

std::wstring ItemText(HWND dialog, int id) {
  wchar_t text[512] = {};
  GetDlgItemTextW(dialog, id, text, 512);
  return text;
}

TEST(OptionsAboutBox, ShowsNameVersionAndSiteAndClosesWithOkOrEsc) {
  LoadedLibrary library;
  if (!library.Loaded()) GTEST_SKIP() << "the library does not load";
  for (const int button : {IDOK, IDCANCEL}) {
    std::atomic<HRESULT> result{E_PENDING};
    std::thread shown([&result] {
      SetThreadUILanguage(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
      result = ShowAboutBox(nullptr);
    });
    HWND box = nullptr;
    for (int attempt = 0; attempt < 200 && !box; ++attempt, Sleep(50)) {
      const HWND found = FindWindowW(L"#32770", L"About Wendrix");
      if (found && IsWindowVisible(found)) box = found;
    }
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(ItemText(box, WX_CONTROL_ABOUT_NAME), L"Wendrix");
    EXPECT_EQ(ItemText(box, WX_CONTROL_ABOUT_VERSION), L"Version " + Module().version);
    EXPECT_FALSE(Module().version.empty());
    EXPECT_NE(ItemText(box, WX_CONTROL_ABOUT_COPYRIGHT).find(L"Kestmoor"), std::wstring::npos);
    EXPECT_EQ(ItemText(box, WX_CONTROL_ABOUT_COPYRIGHT).find(L"%y"), std::wstring::npos);
    EXPECT_NE(ItemText(box, WX_CONTROL_ABOUT_LINK).find(std::wstring(L"<a>") + kProductWebSite + L"</a>"),
              std::wstring::npos);
    PostMessageW(box, WM_COMMAND, button, 0);
    shown.join();
    EXPECT_EQ(result.load(), S_OK) << button;
  }
}

}  // namespace
}  // namespace wendrix::test

// The About box for real: its texts and that OK and Esc close it.
#include "ui/about_box.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "../support/loaded_library.h"
#include "frame/module_state.h"
#include "frame/product_web_site.h"
#include "resources/options_ids.h"
#include "ui_driver.h"

namespace wendrix::test {
namespace {

TEST(AboutBoxTest, ShowsNameVersionAndSiteAndClosesWithOkOrEsc) {
  LoadedLibrary library;
  if (!library.Loaded()) GTEST_SKIP() << "the library does not load";
  for (const int button : {IDOK, IDCANCEL}) {
    ShownDialog shown;
    const HWND box = shown.Open([] { return ShowAboutBox(nullptr); }, L"About Wendrix");
    ASSERT_NE(box, nullptr);
    const auto text = [box](int id) { return TextOf(GetDlgItem(box, id)); };
    EXPECT_EQ(text(WX_CONTROL_ABOUT_NAME), L"Wendrix");
    EXPECT_FALSE(Module().version.empty());
    EXPECT_EQ(text(WX_CONTROL_ABOUT_VERSION), L"Version " + Module().version);
    EXPECT_NE(text(WX_CONTROL_ABOUT_COPYRIGHT).find(L"Kestmoor"), std::wstring::npos);
    EXPECT_EQ(text(WX_CONTROL_ABOUT_COPYRIGHT).find(L"%y"), std::wstring::npos);
    EXPECT_NE(text(WX_CONTROL_ABOUT_LINK).find(std::wstring(L"<a>") + kProductWebSite + L"</a>"), std::wstring::npos);
    EXPECT_EQ(shown.Press(button), S_OK) << button;
  }
}

}  // namespace
}  // namespace wendrix::test

// The product name and icon a registered publisher lends the library.
#include "registration/branding.h"

#include <gtest/gtest.h>

#include <string>

#include "../support/shell_folder_redirect.h"
#include "../support/temp_folder.h"
#include "core/placeholders.h"
#include "registration/store_folders.h"

namespace wendrix::test {
namespace {

using BrandingTest = ShellFolderTest;

TEST_F(BrandingTest, TakesTheRegisteredApplicationName) {
  WriteFile(UserFolder(), kCurrentUserListFile,
            L"[1.2.3]\r\nName = Acme\r\nApplicationName = \"xx\", \"Acme Xx\"\r\n"
            L"ApplicationName = \"en\", \"Acme Updater\"\r\nApplicationIcon = " + UserFolder() + L"1.2.3.ico\r\n");
  EXPECT_EQ(BrandForPublisher(L"9.9"), S_FALSE);
  EXPECT_EQ(ProductPlaceholders().applicationName, L"Wendrix");
  EXPECT_EQ(BrandForPublisher(std::wstring(100, L'1')), E_INVALIDARG);
  ASSERT_EQ(BrandForPublisher(L"1.2.3"), S_OK);
  const std::wstring_view name = ProductPlaceholders().applicationName;
  EXPECT_TRUE(name == L"Acme Updater" || name == L"Acme Xx") << "the user's language, else the first";
  EXPECT_EQ(BrandedIconPath(), UserFolder() + L"1.2.3.ico");
  EXPECT_EQ(BrandedPublisherId(), L"1.2.3");
  SetBrandedName(L"", L"");
}

}  // namespace
}  // namespace wendrix::test

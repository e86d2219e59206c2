// The string table resources of the library.
#include <string>

#include "frame/module_state.h"
#include "frame/string_table.h"
#include "frame_fixture.h"
#include "resources/string_ids.h"

namespace wendrix::test {
namespace {

constexpr LANGID kEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
constexpr LANGID kItalian = MAKELANGID(LANG_ITALIAN, SUBLANG_ITALIAN);

class StringTableTest : public testing::Test {
 protected:
  void SetUp() override {
    HMODULE library = GetModuleHandleW(sizeof(void*) == 8 ? L"wendrix64.dll" : L"wendrix.dll");
    ASSERT_NE(nullptr, library);
    ASSERT_TRUE(InitializeModuleState(library));
  }
};

TEST_F(StringTableTest, EnglishTextsAreExact) {
  EXPECT_EQ(L"Condition loop detected.", LoadStringText(kStrConditionLoop, kEnglish));
  EXPECT_EQ(L"A newer version of %an is required.", LoadStringText(234, kEnglish));
  EXPECT_EQ(L"Error 0x%1!X!.", LoadStringText(10, kEnglish));
  EXPECT_EQ(L"From: %1\nError: %2", LoadStringText(565, kEnglish));
}

TEST_F(StringTableTest, EveryTextExistsInBothLanguagesWithTheSamePlaceholders) {
  int count = 0;
  for (UINT id = 0; id < 2048; ++id) {
    const std::wstring english = LoadStringText(id, kEnglish);
    const std::wstring italian = LoadStringText(id, kItalian);
    SCOPED_TRACE(id);
    EXPECT_EQ(english.empty(), italian.empty());
    if (english.empty()) continue;
    ++count;
    for (const wchar_t* placeholder : {L"%an", L"%av", L"%1", L"%2", L"%3"}) {
      EXPECT_EQ(english.find(placeholder) == std::wstring::npos, italian.find(placeholder) == std::wstring::npos)
          << testing::PrintToString(english);
    }
  }
  EXPECT_GT(count, 50);
}

TEST_F(StringTableTest, TheSettingsTextsExist) {
  for (UINT id : {kStrPeriodManual, kStrPeriodDaily, kStrPeriodWeekly, kStrPeriodMonthly, kStrNotifyChoiceExplanation})
    EXPECT_NE(L"", LoadStringText(id, kEnglish)) << id;
}

TEST_F(StringTableTest, MissingTextIsEmpty) {
  EXPECT_EQ(L"", LoadStringText(65000, kEnglish));
  EXPECT_EQ(L"", LoadStringText(3, kEnglish));
}

}  // namespace
}  // namespace wendrix::test

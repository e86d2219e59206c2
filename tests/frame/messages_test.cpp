// The library's string tables and messages: texts with placeholders, count
// selectors and inserts, and the text of result codes.
#include "frame/messages.h"

#include <gtest/gtest.h>

#include <string>

#include "core/placeholders.h"
#include "frame/module_state.h"
#include "frame/string_table.h"
#include "resources/string_ids.h"

namespace wendrix::test {
namespace {

constexpr LANGID kEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
constexpr LANGID kItalian = MAKELANGID(LANG_ITALIAN, SUBLANG_ITALIAN);

class MessagesTest : public testing::Test {
 protected:
  void SetUp() override {
    // English texts whatever the machine's language.
    SetThreadUILanguage(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
    HMODULE library = GetModuleHandleW(sizeof(void*) == 8 ? L"wendrix64.dll" : L"wendrix.dll");
    ASSERT_NE(nullptr, library);
    ASSERT_TRUE(InitializeModuleState(library));
  }
  void TearDown() override { SetBrandedName(L"", L""); }
};

std::wstring Take(wchar_t* text) {
  const LocalText owned(text);
  return owned ? std::wstring(owned.get()) : L"<null>";
}

TEST_F(MessagesTest, LoadExpandsPlaceholdersAndCuts) {
  wchar_t buffer[64];
  EXPECT_EQ(LoadMessageString(nullptr, 103, buffer, 64), 20);
  EXPECT_EQ(std::wstring(buffer), L"Wendrix Update Error");
  SetBrandedName(L"Acme Updater", L"");
  EXPECT_EQ(LoadMessageString(nullptr, 103, buffer, 10), 9);
  EXPECT_EQ(std::wstring(buffer), L"Acme Upda");
  EXPECT_EQ(LoadMessageString(nullptr, 3, buffer, 64), 0) << "no such string";
  EXPECT_EQ(buffer[0], L'\0');
}

TEST_F(MessagesTest, FormatFillsInsertsAndTheCallerFreesTheText) {
  const DWORD_PTR code = 0x80070005;
  EXPECT_EQ(Take(FormatMessageText(10, nullptr, {&code, 1})), L"Error 0x80070005.");
  const DWORD_PTR pair[] = {reinterpret_cast<DWORD_PTR>(L"http://x/a.exe"), reinterpret_cast<DWORD_PTR>(L"Gone")};
  EXPECT_EQ(Take(FormatMessageText(565, nullptr, pair)), L"From: http://x/a.exe\r\nError: Gone");
  EXPECT_EQ(Take(FormatMessageText(565, nullptr, {})), L"From: \r\nError: ") << "missing inserts read as empty";
  EXPECT_EQ(Take(FormatMessageText(3, nullptr, {})), L"<null>");
  EXPECT_EQ(Take(FormatCountedMessageText(3, nullptr, {})), L"<null>");
}

TEST_F(MessagesTest, CountedMessagesPickTheirWording) {
  const struct {
    DWORD_PTR count;
    const wchar_t* text;
  } cases[] = {
      {1, L"A download is still in progress"},
      {0, L"0 downloads are still in progress"},
      {3, L"3 downloads are still in progress"},
  };
  for (const auto& c : cases) {
    const std::wstring text = Take(FormatCountedMessageText(294, nullptr, {&c.count, 1}));
    EXPECT_EQ(text.substr(0, std::wstring_view(c.text).size()), c.text) << text;
  }
}

TEST_F(MessagesTest, ErrorTextOfEveryKindOfCode) {
  EXPECT_EQ(ErrorText(S_OK), L"");
  EXPECT_EQ(ErrorText(S_FALSE), L"");
  EXPECT_EQ(ErrorText(static_cast<HRESULT>(0x80040127)), L"Condition loop detected.");
  EXPECT_EQ(ErrorText(static_cast<HRESULT>(0x80040236)), L"No URL specified.");
  SetBrandedName(L"Acme", L"");
  EXPECT_EQ(ErrorText(static_cast<HRESULT>(0x800400EA)), L"A newer version of Acme is required.");
  EXPECT_EQ(ErrorText(static_cast<HRESULT>(0x8FFF1234)), L"0x8FFF1234") << "nothing knows it";
  for (HRESULT code : {static_cast<HRESULT>(0x80070005), static_cast<HRESULT>(0x80072EE7), E_OUTOFMEMORY}) {
    const std::wstring text = ErrorText(code);
    EXPECT_FALSE(text.empty()) << std::hex << code;
    EXPECT_NE(text.back(), L'\n');
    EXPECT_NE(text.back(), L'\r');
    EXPECT_NE(text.rfind(L"0x", 0), 0u) << "the system or WinINet knows " << std::hex << code;
  }
}

// The English texts themselves are checked through the messages they make.
TEST_F(MessagesTest, EveryTextExistsInBothLanguagesWithTheSamePlaceholders) {
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
  for (UINT id : {kStrPeriodManual, kStrPeriodDaily, kStrPeriodWeekly, kStrPeriodMonthly, kStrNotifyChoiceExplanation})
    EXPECT_NE(L"", LoadStringText(id, kEnglish)) << id;
  EXPECT_EQ(L"", LoadStringText(65000, kEnglish));
}

}  // namespace
}  // namespace wendrix::test

// The built-in language table: its compact tags, the tag matching rule and the
// two-letter fallback names.
#include "core/language_table.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace wendrix {
namespace {

TEST(LanguageTableTest, CompactTagIsTheTagWithoutItsHyphen) {
  for (const LanguageRow& row : LanguageRows()) {
    std::wstring expected(row.tag);
    std::erase(expected, L'-');
    EXPECT_EQ(row.compact, expected) << row.languageId;
  }
}

struct FindCase {
  const wchar_t* tag;
  std::uint16_t languageId;  // 0: no row
};

TEST(LanguageTableTest, FindsTheFirstRowThatBeginsTheTag) {
  const FindCase cases[] = {
      {L"en-us", 0x409},   {L"EN-US", 0x409},  {L"enus", 0x409},    {L"EnUs", 0x409},
      {L"en-gb", 0x809},   {L"it", 0x410},     {L"it-ch", 0x810},   {L"pt-br", 0x416},
      {L"pt", 0x816},      {L"zh-tw", 0x404},  {L"zhtw", 0x404},
      // Tags listed twice resolve to their first row.
      {L"en", 0x009},      {L"ko", 0x412},     {L"no", 0x414},      {L"sr", 0xC1A}, {L"es", 0x40A},
      // The row's tag may be followed by anything but a letter, a digit or "-".
      {L"en-us;q=1", 0x409}, {L"en-us ", 0x409}, {L"en_", 0x009},   {L"en.", 0x009},
      {L"it,en", 0x410},   {L"de/ch", 0x407},
      // ...and a row is not found inside a longer tag.
      {L"en-usx", 0},      {L"en-us1", 0},     {L"en-us-x", 0},     {L"enu", 0},
      {L"en-xx", 0},       {L"italian", 0},    {L"e", 0},           {L"", 0},
      {L"xx", 0},          {L"-en", 0},        {L" en", 0},
  };
  for (const FindCase& c : cases) {
    const LanguageRow* row = FindLanguageRow(c.tag);
    if (c.languageId == 0) {
      EXPECT_EQ(row, nullptr) << "tag '" << testing::PrintToString(std::wstring(c.tag)) << "'";
    } else {
      ASSERT_NE(row, nullptr) << testing::PrintToString(std::wstring(c.tag));
      EXPECT_EQ(row->languageId, c.languageId) << testing::PrintToString(std::wstring(c.tag));
    }
  }
}

TEST(LanguageTableTest, EveryRowFindsItselfUnlessAnEarlierRowHasItsTag) {
  const auto rows = LanguageRows();
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const LanguageRow* found = FindLanguageRow(rows[i].tag);
    ASSERT_NE(found, nullptr);
    const LanguageRow* first = &rows[i];
    for (std::size_t j = 0; j < i; ++j) {
      if (rows[j].tag == rows[i].tag) {
        first = &rows[j];
        break;
      }
    }
    EXPECT_EQ(found, first) << testing::PrintToString(std::wstring(rows[i].tag));
  }
}

TEST(FallbackIso639Test, NamesTheLanguagesThatSystemsMayLeaveUnnamed) {
  const struct {
    std::uint16_t languageId;
    const wchar_t* name;
  } cases[] = {
      {0x0414, L"nb"}, {0x0814, L"nn"}, {0x0014, L"nb"}, {0x1014, L"nb"},  // Norwegian: whole identifiers first
      {0x0804, L"zh"}, {0x0404, L"zh"}, {0x0411, L"ja"}, {0x0421, L"id"},
      {0x044B, L"kn"}, {0x044E, L"mr"}, {0x0409, L""},   {0x0410, L""},
      {0x0000, L""},   {0x0400, L""},   {0x0C14, L"nb"},
  };
  for (const auto& c : cases) EXPECT_EQ(FallbackIso639(c.languageId), c.name) << std::hex << c.languageId;
}

}  // namespace
}  // namespace wendrix

// The three text layers: placeholders, count selectors and marked-up text.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/count_selector.h"
#include "core/markup.h"
#include "core/placeholders.h"

namespace wendrix {
namespace {

const PlaceholderValues kValues{L"Acme Updater", L"3.8.10.0", L"2009", L"2026"};

// Values are not expanded again, not even where a value and the text after
// it form a placeholder.
TEST(Placeholders, EveryPlaceholderEveryTimeAndOnlyOnce) {
  const PlaceholderValues looping{L"My %an %av", L"1", L"%y1", L"%y0"};
  const PlaceholderValues splitting{L"x%a", L"", L"", L""};
  const struct {
    const wchar_t* text;
    const PlaceholderValues* values;
    const wchar_t* expanded;
  } cases[] = {
      {L"%an", &kValues, L"Acme Updater"},
      {L"About %an %av (c) %y0-%y1", &kValues, L"About Acme Updater 3.8.10.0 (c) 2009-2026"},
      {L"%an and %an", &kValues, L"Acme Updater and Acme Updater"},
      {L"%AN %a %1 100%", &kValues, L"%AN %a %1 100%"},  // case-sensitive, three characters
      {L"%%an", &kValues, L"%Acme Updater"}, {L"", &kValues, L""},
      {L"%an|%y0|%y1", &looping, L"My %an %av|%y1|%y0"}, {L"%ann", &splitting, L"x%an"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ExpandPlaceholders(c.text, *c.values), c.expanded) << testing::PrintToString(c.text);
}

TEST(Placeholders, BufferIsCutToCapacity) {
  wchar_t buffer[8];
  EXPECT_EQ(ExpandPlaceholders(L"%an!", kValues, buffer, 8), 7u);
  EXPECT_EQ(std::wstring(buffer), L"Acme Up");
  EXPECT_EQ(ExpandPlaceholders(L"ok", kValues, buffer, 1), 0u);
  EXPECT_EQ(buffer[0], L'\0');
  EXPECT_EQ(ExpandPlaceholders(L"ok", kValues, buffer, 0), 0u);
  EXPECT_EQ(ExpandPlaceholders(L"ok", kValues, nullptr, 8), 0u);
}

TEST(Placeholders, BrandedNameReplacesTheProductName) {
  EXPECT_EQ(ProductPlaceholders().applicationName, L"Wendrix");
  EXPECT_EQ(ProductPlaceholders().version, L"3.8.10.0");
  SetBrandedName(std::wstring(120, L'n'), std::wstring(300, L'i'));
  EXPECT_EQ(ProductPlaceholders().applicationName, std::wstring(99, L'n'));
  EXPECT_EQ(BrandedIconPath().size(), 259u);
  SetBrandedName(L"", L"");
  EXPECT_EQ(ProductPlaceholders().applicationName, L"Wendrix");
}

TEST(CountSelector, ChoosesTheCaseOfTheInsertValue) {
  const std::wstring publishers = L"@%1:1:1 publisher:*:%1!d! publishers:";
  const std::wstring install = L"@%1:0:Install:1:Install 1 Item:*:Install %1!d! Items:";
  const std::wstring logoff = L"@%1:1:A download is:*:%1!d! downloads are: still in progress.";
  const struct {
    std::wstring text;
    std::vector<std::int32_t> inserts;
    const wchar_t* result;
  } cases[] = {
      {publishers, {1}, L"1 publisher"}, {publishers, {0}, L"%1!d! publishers"}, {publishers, {7}, L"%1!d! publishers"},
      {install, {0}, L"Install"}, {install, {1}, L"Install 1 Item"}, {install, {-3}, L"Install %1!d! Items"},
      {logoff, {1}, L"A download is still in progress."}, {logoff, {2}, L"%1!d! downloads are still in progress."},
      {L"@%1:-1:minus one:*:other:", {-1}, L"minus one"}, {L"@%1:1:one:2:two:", {2}, L"two"},  // no default case: the text ends the selector
      {L"@%1:1:one:2:two:", {5}, L""}, {L"@%2:1:a\\:b:*:c\\:d:!", {9, 1}, L"a:b!"},  // "\:" is a colon in the text
      {L"@%2:1:a:*:b: %2", {1}, L"b %2"},                    // an insert not passed reads 0
      {L"@%12:3:three:*:many:", std::vector<std::int32_t>(12, 3), L"three"}, {L"@%0:1:x:", {1}, L"@%0:1:x:"},  // insert numbers start at 1
      {L"@%1x:1:y:", {1}, L"@%1x:1:y:"},                     // no colon after the number
      {L"a @ b @% c", {}, L"a @ b @% c"}, {L"@%1:1:one:xx", {1}, L"onexx"},  // a label without its colon ends the selector
      {L"@%1:1:one:*:many: and @%1:1:is:*:are:", {1}, L"one and is"},
      {L"@%1:1:a\\", {1}, L"a\\"}, {L"@%1:-", {1}, L"-"},  // cut off after a backslash, after a minus
  };
  for (const auto& c : cases) EXPECT_EQ(ApplyCountSelectors(c.text, c.inserts), c.result) << testing::PrintToString(c.text);
}

TEST(CountSelector, HighestInsertNumber) {
  EXPECT_EQ(HighestInsertNumber(L"no inserts"), 0u);
  EXPECT_EQ(HighestInsertNumber(L"%1 and %3!d! and %2"), 3u);
  EXPECT_EQ(HighestInsertNumber(L"%99 %100"), 99u) << "two digits at most";
  EXPECT_EQ(HighestInsertNumber(L"100%"), 0u);
}

std::wstring Slice(const MarkedUpText& m, std::size_t begin, std::size_t end) {
  return m.shown.substr(begin, end - begin);
}

TEST(Markup, LinksAndLiteralBars) {
  MarkedUpText m = ParseMarkup(L"a||b", false);
  EXPECT_EQ(m.shown, L"a|b");
  EXPECT_TRUE(m.links.empty());

  m = ParseMarkup(L"see |here|page2| now", false);
  EXPECT_EQ(m.shown, L"see here now");
  ASSERT_EQ(m.links.size(), 1u);
  EXPECT_EQ(Slice(m, m.links[0].begin, m.links[0].end), L"here");
  EXPECT_EQ(m.links[0].target, L"page2");

  m = ParseMarkup(L"|a||b|t||u| and |c|1|.", false);
  EXPECT_EQ(m.shown, L"a|b and c.");
  ASSERT_EQ(m.links.size(), 2u);
  EXPECT_EQ(m.links[0].target, L"t|u");
  EXPECT_EQ(m.links[1].number, 1u);
  EXPECT_EQ(Slice(m, m.links[1].begin, m.links[1].end), L"c");
}

TEST(Markup, FormatMarks) {
  MarkedUpText m = ParseMarkup(L"|\nB|Title|\nb|\r\n\r\n|\nC|mid|\nI|it|\ni||\nc||\nX|end", false);
  EXPECT_EQ(m.shown, L"Title\r\n\r\nmiditend");
  ASSERT_EQ(m.ranges.size(), 3u);
  EXPECT_EQ(m.ranges[0].format, MarkupFormat::kBold);
  EXPECT_EQ(Slice(m, m.ranges[0].begin, m.ranges[0].end), L"Title");
  EXPECT_EQ(m.ranges[1].format, MarkupFormat::kItalic);
  EXPECT_EQ(Slice(m, m.ranges[1].begin, m.ranges[1].end), L"it");
  EXPECT_EQ(m.ranges[2].format, MarkupFormat::kAlignCentre);
  EXPECT_EQ(Slice(m, m.ranges[2].begin, m.ranges[2].end), L"midit");

  m = ParseMarkup(L"|\nR|right|\nL|left", false);
  EXPECT_EQ(m.shown, L"rightleft");
  EXPECT_TRUE(m.ranges.empty()) << "ranges that never close are not applied";
  EXPECT_EQ(ParseMarkup(L"x|\nB", false).shown, L"x") << "a mark cut off by the end";
}

TEST(Markup, LineEndsAndTheFinalLink) {
  EXPECT_EQ(ParseMarkup(L"a\r\nb", true).shown, L"a\nb");
  EXPECT_EQ(ParseMarkup(L"a\r\nb", false).shown, L"a\r\nb");
  EXPECT_EQ(ParseMarkup(L"more |...|0|", false).shown, L"more ... \n");
  EXPECT_EQ(ParseMarkup(L"more |...|0|\n", false).shown, L"more ... \n");
  EXPECT_EQ(ParseMarkup(L"more |...|0|\n\n", false).shown, L"more ...\n\n");
  EXPECT_EQ(ParseMarkup(L"more |...|0|\r\n", true).shown, L"more ... \n");
  EXPECT_EQ(ParseMarkup(L"more |...|0|\r\n", false).shown, L"more ...\r\n");
  EXPECT_EQ(ParseMarkup(L"|a|1| b", false).shown, L"a b");
  EXPECT_EQ(ParseMarkup(L"|a|1| b", true).shown, L"a b");
  const MarkedUpText open = ParseMarkup(L"x |never closed", false);
  EXPECT_EQ(open.shown, L"x never closed");
  EXPECT_TRUE(open.links.empty());
  const MarkedUpText noTarget = ParseMarkup(L"x |a|target", false);
  ASSERT_EQ(noTarget.links.size(), 1u);
  EXPECT_EQ(noTarget.links[0].target, L"target");
}

}  // namespace
}  // namespace wendrix

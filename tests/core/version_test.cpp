// Version numbers: parsing, formatting, comparison (with its text fallback)
// and the display styles of publisher data files.
#include "core/version.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>

namespace wendrix {
namespace {

constexpr std::uint32_t kSentinel = 0xDEADBEEF;
const VersionParts kUntouched{kSentinel, kSentinel, kSentinel, kSentinel};

std::string Narrow(std::wstring_view text) { return testing::PrintToString(std::wstring(text)); }

TEST(ParseVersionTest, ConsumesAVersionUpToItsTerminatorOrRefusesItUntouched) {
  const struct {
    std::wstring_view text;
    std::size_t consumed;  // 0: not a version, and the output is left alone
    VersionParts parts;
  } cases[] = {
      {L"1", 1, {1, 0, 0, 0}}, {L"  1.2", 5, {1, 2, 0, 0}}, {L"\t1.2", 4, {1, 2, 0, 0}},
      {L" \t \t3.8.10.0", 12, {3, 8, 10, 0}}, {L"1.2.3.4", 7, {1, 2, 3, 4}}, {L"0", 1, {0, 0, 0, 0}},
      {L"00", 2, {0, 0, 0, 0}}, {L"0.00.000.0", 10, {0, 0, 0, 0}}, {L"10.20", 5, {10, 20, 0, 0}},
      {L"4294967295.0.4294967295", 23, {4294967295u, 0, 4294967295u, 0}},
      // Terminators: a blank, CR, LF or the end; the terminator is not counted.
      {L"1.2 beta", 3, {1, 2, 0, 0}}, {L"1.2\r\n", 3, {1, 2, 0, 0}}, {L"1.2\n", 3, {1, 2, 0, 0}},
      {L"1.2.3.4 ", 7, {1, 2, 3, 4}}, {L"1.2.3.4\r", 7, {1, 2, 3, 4}}, {L"  7  ", 3, {7, 0, 0, 0}},
      {L"1 .2", 1, {1, 0, 0, 0}},  // a blank ends the version whatever follows
      // The character after the view must not be read.
      {std::wstring_view(L"1.2x", 3), 3, {1, 2, 0, 0}}, {std::wstring_view(L"12", 1), 1, {1, 0, 0, 0}},
      {std::wstring_view(L"1.2.3", 2), 0, {}},  // "1." is cut after its dot
      {L"", 0, {}}, {L"   ", 0, {}}, {L"\t", 0, {}}, {L"-1", 0, {}}, {L"+1", 0, {}}, {L"v1.2", 0, {}},
      {L".1", 0, {}}, {L"1.", 0, {}}, {L"1. ", 0, {}}, {L"1..2", 0, {}}, {L"1.2.", 0, {}},  // a dot needs a digit
      {L"1.02", 0, {}}, {L"01", 0, {}}, {L"0.0.0.07", 0, {}},  // a non-zero component may not start with 0
      {L"1.2.3.4.5", 0, {}}, {L"1.2.3.4.", 0, {}}, {L"4294967296", 0, {}},  // a fifth component; past 32 bits
      {L"1.4294967296", 0, {}}, {L"1.2.3.99999999999999999999999", 0, {}}, {L"1x", 0, {}}, {L"1.2b", 0, {}},
      {L"1.2-rc1", 0, {}}, {L"1,2", 0, {}}, {L"1\t", 0, {}}, {L"1.2\t3", 0, {}},  // a tab ends no component
      {L"\x0661.2", 0, {}}, {L"\xFF11", 0, {}},  // non-ASCII digits are not decimal digits here
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Narrow(c.text));
    VersionParts out = kUntouched;
    EXPECT_EQ(c.consumed, ParseVersion(c.text, &out));
    EXPECT_EQ(c.consumed ? c.parts : kUntouched, out);
    EXPECT_EQ(c.consumed, ParseVersion(c.text));  // no out-parameter
    // A field must be a version and nothing more; an empty one is 0.0.0.0.
    EXPECT_EQ(c.text.empty() || c.consumed == c.text.size(), IsValidVersionField(c.text));
  }
}

TEST(FormatVersionTest, FirstComponentsJoinedByDotsAndPrefixComponentCounts) {
  const VersionParts v{3, 8, 10, 0};
  EXPECT_EQ(L"3.8.10.0", FormatVersion(v));
  for (const auto& [count, text] : {std::pair{4, L"3.8.10.0"}, {3, L"3.8.10"}, {2, L"3.8"}, {1, L"3"}})
    EXPECT_EQ(text, FormatVersion(v, count));
  // Formatting and parsing agree at the limits.
  VersionParts back = kUntouched;
  const std::wstring text = FormatVersion({4294967295u, 7, 0, 4294967295u});
  EXPECT_EQ(L"4294967295.7.0.4294967295", text);
  ASSERT_EQ(text.size(), ParseVersion(text, &back));
  EXPECT_EQ((VersionParts{4294967295u, 7, 0, 4294967295u}), back);

  // A Replace prefix counts the dots followed by a character.
  for (const auto& [prefix, count] : {std::pair{L"5", 1u}, {L"5.1", 2u}, {L"5.1.2", 3u}, {L"5.1.2.3", 4u},
                                      {L"5.1.", 2u}, {L"", 1u}, {L".", 1u}, {L"1..2", 3u}})
    EXPECT_EQ(count, CountPrefixComponents(prefix)) << Narrow(prefix);
}

TEST(CompareVersionsTest, ComponentsWhenBothAreVersionsElseText) {
  const struct {
    const wchar_t* a;  // null: absent
    const wchar_t* b;
    int expected;
  } cases[] = {
      {L"1.2", L"1.2.0.0", kVersionEqual}, {L"1.10", L"1.9", kVersionNewer}, {L"2", L"10", kVersionOlder},
      {L"1.2.3.4", L"1.2.3.5", kVersionOlder}, {L"2.0", L"1.99.99.99", kVersionNewer},
      {L"4294967295", L"4294967294.9", kVersionNewer}, {L"0", L"0.0.0.0", kVersionEqual},
      {L"  1.2", L"1.2", kVersionEqual},  // leading blanks are part of a version
      {L"00.1", L"0.1", kVersionEqual},
      // A version followed by CR or LF compares as if the line ended there.
      {L"1.2\r\n", L"1.2", kVersionEqual}, {L"1.2\nrest of the file", L"1.2.0.0", kVersionEqual},
      {L"1.10\r", L"1.9", kVersionNewer},  // by value: as text it would be older
      {L"3\n", L"10\r", kVersionOlder},
      // An absent side is 0.0.0.0 against a version, the empty text against anything else.
      {nullptr, nullptr, kVersionEqual}, {nullptr, L"0.0.0.1", kVersionOlder}, {nullptr, L"0", kVersionEqual},
      {nullptr, L"0.0.0.0\r\n", kVersionEqual}, {nullptr, L"1", kVersionOlder}, {nullptr, L"abc", kVersionOlder},
      {nullptr, L"0 beta", kVersionOlder}, {nullptr, L"", kVersionEqual}, {nullptr, L"\r\n", kVersionEqual},
      // Text: leading numbers by value, then code units; the longer text wins.
      {L"10a", L"9z", kVersionNewer}, {L"1.2b", L"1.2a", kVersionNewer}, {L"1.2 beta", L"1.2", kVersionNewer},
      {L"1.2 ", L"1.2", kVersionNewer},  // a trailing blank is not a line end
      {L"7", L"7x", kVersionOlder}, {L"abc", L"abd", kVersionOlder}, {L"abc", L"abc", kVersionEqual},
      {L"2004b", L"2004a", kVersionNewer}, {L"2004b", L"2004", kVersionNewer},
      {L"1.10b", L"1.9b", kVersionOlder},  // only the leading number counts by value
      {L"007x", L"7x", kVersionEqual}, {L"007x", L"7y", kVersionOlder},  // then the text after both numbers
      {L"4294967296a", L"4294967295a", kVersionNewer},  // leading numbers are not cut to 32 bits
      {L"99999999999999999999b", L"1b", kVersionNewer}, {L"ABC", L"abc", kVersionOlder},  // case-sensitive
      {L"1x", L"a", kVersionOlder},  // only one side starts with a digit: code units
      {L"beta\r\nzzz", L"beta", kVersionEqual}, {L"beta\n", L"beta\r", kVersionEqual},  // CR and LF end the text
      {L"a\x00E9", L"az", kVersionNewer},  // code units, not collation
      {L"x\xFFFF", L"x\x0100", kVersionNewer}, {L"\xD800\xDC00", L"\xE000", kVersionOlder},  // unsigned 16-bit units
      {L"", L"abc", kVersionOlder}, {L"", L"1.0", kVersionOlder}, {L"", L"", kVersionEqual},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE((c.a ? Narrow(c.a) : "(null)") + " vs " + (c.b ? Narrow(c.b) : "(null)"));
    EXPECT_EQ(c.expected, CompareVersions(c.a, c.b));
    // The model may hold an absent version as null or as the empty text.
    EXPECT_EQ(c.expected, CompareVersions(c.a ? c.a : L"", c.b ? c.b : L"")) << "empty for null";
    EXPECT_EQ(4 - c.expected, CompareVersions(c.b, c.a)) << "reversed";
    if (c.a && c.b) EXPECT_EQ(c.expected, CompareVersions(std::wstring_view(c.a), std::wstring_view(c.b)));
  }
  // The view overload honours the length.
  EXPECT_EQ(kVersionEqual, CompareVersions(std::wstring_view(L"1.25", 3), std::wstring_view(L"1.2")));
  EXPECT_EQ(kVersionOlder, CompareVersions(std::wstring_view(L"7xyz", 1), std::wstring_view(L"7x")));
  EXPECT_EQ(kVersionEqual, CompareVersions(std::wstring_view(L"abc!", 3), std::wstring_view(L"abc?", 3)));
  EXPECT_EQ(kVersionEqual, CompareVersions(std::wstring_view(), std::wstring_view(L"x", 0)));
}

TEST(FormatVersionForDisplayTest, FirstReplacementWhosePrefixMatchesElseTheSizedVersion) {
  const VersionParts prefix{5, 1, 2, 3};
  const struct {
    std::uint32_t prefixCount;
    VersionParts version;
    bool matches;
  } cases[] = {
      {1, {5, 9, 9, 9}, true},  {1, {4, 1, 2, 3}, false}, {2, {5, 1, 9, 9}, true},  {2, {5, 2, 2, 3}, false},
      {3, {5, 1, 2, 9}, true},  {3, {5, 1, 3, 3}, false}, {4, {5, 1, 2, 3}, true},  {4, {5, 1, 2, 4}, false},
      {5, {5, 1, 2, 3}, true},  {9, {5, 1, 2, 4}, false},  // more than four: all four
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "count " << c.prefixCount << " version " << Narrow(FormatVersion(c.version)));
    DisplayVersionStyle style;
    style.replacements.push_back({prefix, c.prefixCount, L"Named"});
    EXPECT_EQ(c.matches ? std::wstring(L"Named") : FormatVersion(c.version),
              FormatVersionForDisplay(&style, c.version));
  }

  DisplayVersionStyle style;
  for (std::uint32_t size = 1; size <= 4; ++size) {
    style.size = size;
    EXPECT_EQ(FormatVersion({9, 8, 7, 6}, size), FormatVersionForDisplay(&style, {9, 8, 7, 6})) << size;
  }
  style.size = 3;
  style.replacements.push_back({{5, 0, 0, 0}, 1, L"Five"});
  style.replacements.push_back({{5, 1, 0, 0}, 2, L"Five one"});
  style.replacements.push_back({{6, 0, 0, 0}, 2, L"Six zero"});
  EXPECT_EQ(L"Five", FormatVersionForDisplay(&style, {5, 1, 0, 0}));
  EXPECT_EQ(L"Six zero", FormatVersionForDisplay(&style, {6, 0, 4, 4}));
  EXPECT_EQ(L"6.1.4", FormatVersionForDisplay(&style, {6, 1, 4, 4}));
  std::swap(style.replacements[0], style.replacements[1]);
  EXPECT_EQ(L"Five one", FormatVersionForDisplay(&style, {5, 1, 0, 0}));
  EXPECT_EQ(L"Five", FormatVersionForDisplay(&style, {5, 2, 0, 0}));
  style.replacements.insert(style.replacements.begin(), {{7, 0, 0, 0}, 1, L""});
  EXPECT_EQ(L"", FormatVersionForDisplay(&style, {7, 3, 0, 0}));  // an empty replacement is still a match
  EXPECT_EQ(L"5.1.0.3", FormatVersionForDisplay(nullptr, {5, 1, 0, 3}));  // no style: four components
}

TEST(FormatVersionForDisplayTest, BufferIsCutAndAlwaysTerminated) {
  DisplayVersionStyle gold;
  gold.size = 2;
  gold.replacements.push_back({{5, 1, 0, 0}, 2, L"5.1 Gold"});
  const struct {
    const DisplayVersionStyle* style;
    VersionParts version;
    std::size_t capacity;
    const wchar_t* written;  // null: nothing at all
  } cases[] = {
      {&gold, {5, 1, 0, 0}, 9, L"5.1 Gold"}, {&gold, {5, 1, 7, 9}, 8, L"5.1 Gol"}, {&gold, {5, 1, 0, 0}, 4, L"5.1"},
      {&gold, {5, 2, 0, 0}, 16, L"5.2"}, {nullptr, {4294967295u, 1, 2, 3}, 6, L"42949"},
      {&gold, {5, 1, 0, 0}, 1, L""}, {&gold, {5, 1, 0, 0}, 0, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.capacity);
    wchar_t buffer[16];
    std::fill(std::begin(buffer), std::end(buffer), L'#');
    const std::wstring written = c.written ? c.written : L"";
    EXPECT_EQ(written.size(), FormatVersionForDisplay(c.style, c.version, buffer, c.capacity));
    if (c.written) EXPECT_EQ(written, std::wstring(buffer));
    EXPECT_EQ(L'#', buffer[c.written ? written.size() + 1 : 0]) << "wrote past the text";
  }
  EXPECT_EQ(0u, FormatVersionForDisplay(nullptr, {1, 2, 3, 4}, nullptr, 0));
}

}  // namespace
}  // namespace wendrix

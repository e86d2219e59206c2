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

// ---------------------------------------------------------------------------
// ParseVersion

struct ParseCase {
  const wchar_t* text;
  std::size_t consumed;  // 0: not a version
  VersionParts parts;    // expected when consumed != 0
};

TEST(ParseVersionTest, ConsumesLeadingBlanksAndStopsBeforeTheTerminator) {
  const ParseCase cases[] = {
      {L"1", 1, {1, 0, 0, 0}}, {L"  1.2", 5, {1, 2, 0, 0}}, {L"\t1.2", 4, {1, 2, 0, 0}},
      {L" \t \t3.8.10.0", 12, {3, 8, 10, 0}}, {L"1.2.3.4", 7, {1, 2, 3, 4}}, {L"1.0", 3, {1, 0, 0, 0}},
      {L"0", 1, {0, 0, 0, 0}}, {L"00", 2, {0, 0, 0, 0}}, {L"0.00.000.0", 10, {0, 0, 0, 0}},
      {L"10.20", 5, {10, 20, 0, 0}}, {L"4294967295.0.4294967295", 23, {4294967295u, 0, 4294967295u, 0}},
      // Terminators: a blank, CR, LF or the end; the terminator is not counted.
      {L"1.2 beta", 3, {1, 2, 0, 0}}, {L"1.2\r\n", 3, {1, 2, 0, 0}}, {L"1.2\n", 3, {1, 2, 0, 0}},
      {L"1.2.3.4 ", 7, {1, 2, 3, 4}}, {L"1.2.3.4\r", 7, {1, 2, 3, 4}}, {L"  7  ", 3, {7, 0, 0, 0}},
      {L"1 .2", 1, {1, 0, 0, 0}},  // a blank ends the version whatever follows
  };
  for (const ParseCase& c : cases) {
    SCOPED_TRACE(Narrow(c.text));
    VersionParts out = kUntouched;
    EXPECT_EQ(c.consumed, ParseVersion(c.text, &out));
    EXPECT_EQ(c.parts, out);
    EXPECT_EQ(c.consumed, ParseVersion(c.text));  // no out-parameter
  }
}

TEST(ParseVersionTest, RejectsWhatIsNotAVersionAndLeavesTheOutputAlone) {
  const wchar_t* const cases[] = {
      L"", L"   ", L"\t", L"-1", L"+1", L"v1.2", L".1", L"1.",  // a dot must be followed by a digit
      L"1. ", L"1..2", L"1.2.", L"1.02",  // a non-zero component may not start with 0
      L"01", L"0.0.0.07", L"1.2.3.4.5",  // a fifth component
      L"1.2.3.4.", L"4294967296",  // one past 32 bits
      L"1.4294967296", L"1.2.3.99999999999999999999999", L"1x",  // other characters after a component
      L"1.2b", L"1.2-rc1", L"1,2", L"1\t",  // a tab ends the leading blanks, not a component
      L"1.2\t3",
  };
  for (const wchar_t* text : cases) {
    SCOPED_TRACE(Narrow(text));
    VersionParts out = kUntouched;
    EXPECT_EQ(0u, ParseVersion(text, &out));
    EXPECT_EQ(kUntouched, out);
  }
  // Non-ASCII digits are not decimal digits here.
  VersionParts out = kUntouched;
  EXPECT_EQ(0u, ParseVersion(L"\x0661.2", &out));
  EXPECT_EQ(0u, ParseVersion(L"\xFF11", &out));
  EXPECT_EQ(kUntouched, out);
}

TEST(ParseVersionTest, HonoursTheLengthOfTheView) {
  VersionParts out = kUntouched;
  // The character after the view ('x' or '.') must not be read.
  EXPECT_EQ(3u, ParseVersion(std::wstring_view(L"1.2x", 3), &out));
  EXPECT_EQ((VersionParts{1, 2, 0, 0}), out);
  EXPECT_EQ(0u, ParseVersion(std::wstring_view(L"1.2.3", 2)));  // "1." is cut after its dot
  EXPECT_EQ(1u, ParseVersion(std::wstring_view(L"12", 1), &out));
  EXPECT_EQ((VersionParts{1, 0, 0, 0}), out);
}

TEST(IsValidVersionFieldTest, WholeTextMustBeAVersion) {
  const struct {
    const wchar_t* text;
    bool valid;
  } cases[] = {
      {L"", true},      {L"1", true},        {L"1.2.3.4", true},  {L"  1.2", true},  {L"0.00", true},
      {L"1.2 ", false}, {L"1.2\r\n", false}, {L"1.2\n", false},   {L"1.", false},    {L"1.02", false},
      {L"abc", false},  {L"1.2.3.4.5", false}, {L" ", false},     {L"1 2", false},   {L"4294967296", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Narrow(c.text));
    EXPECT_EQ(c.valid, IsValidVersionField(c.text));
  }
}

// ---------------------------------------------------------------------------
// FormatVersion and CountPrefixComponents

TEST(FormatVersionTest, WritesTheFirstComponentsJoinedByDots) {
  const VersionParts v{3, 8, 10, 0};
  EXPECT_EQ(L"3.8.10.0", FormatVersion(v));
  EXPECT_EQ(L"3.8.10.0", FormatVersion(v, 4));
  EXPECT_EQ(L"3.8.10", FormatVersion(v, 3));
  EXPECT_EQ(L"3.8", FormatVersion(v, 2));
  EXPECT_EQ(L"3", FormatVersion(v, 1));
  EXPECT_EQ(L"4294967295.0.0.4294967295", FormatVersion({4294967295u, 0, 0, 4294967295u}));
  // Formatting and parsing agree.
  VersionParts back = kUntouched;
  const std::wstring text = FormatVersion({4294967295u, 7, 0, 12});
  ASSERT_EQ(text.size(), ParseVersion(text, &back));
  EXPECT_EQ((VersionParts{4294967295u, 7, 0, 12}), back);
}

TEST(CountPrefixComponentsTest, CountsDotsFollowedByACharacter) {
  const struct {
    const wchar_t* prefix;
    std::uint32_t count;
  } cases[] = {
      {L"5", 1}, {L"5.1", 2}, {L"5.1.2", 3}, {L"5.1.2.3", 4}, {L"5.1.", 2}, {L"", 1}, {L".", 1}, {L"1..2", 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Narrow(c.prefix));
    EXPECT_EQ(c.count, CountPrefixComponents(c.prefix));
  }
}

// ---------------------------------------------------------------------------
// CompareVersions

struct CompareCase {
  const wchar_t* a;  // null: absent
  const wchar_t* b;
  int expected;
};

void ExpectCompare(const CompareCase& c) {
  SCOPED_TRACE((c.a ? Narrow(c.a) : "(null)") + " vs " + (c.b ? Narrow(c.b) : "(null)"));
  EXPECT_EQ(c.expected, CompareVersions(c.a, c.b));
  // The model may hold an absent version as null or as the empty text.
  EXPECT_EQ(CompareVersions(c.a ? c.a : L"", c.b ? c.b : L""), CompareVersions(c.a, c.b)) << "empty for null";
  EXPECT_EQ(4 - c.expected, CompareVersions(c.b, c.a)) << "reversed";
  if (c.a && c.b) {
    EXPECT_EQ(c.expected, CompareVersions(std::wstring_view(c.a), std::wstring_view(c.b))) << "view overload";
  }
}

TEST(CompareVersionsTest, WellFormedVersionsCompareByComponents) {
  const CompareCase cases[] = {
      {L"1.2", L"1.2.0.0", kVersionEqual}, {L"1.10", L"1.9", kVersionNewer}, {L"2", L"10", kVersionOlder},
      {L"1.2.3.4", L"1.2.3.5", kVersionOlder}, {L"2.0", L"1.99.99.99", kVersionNewer},
      {L"4294967295", L"4294967294.9", kVersionNewer}, {L"0", L"0.0.0.0", kVersionEqual},
      {L"  1.2", L"1.2", kVersionEqual},  // leading blanks are part of a version
      {L"00.1", L"0.1", kVersionEqual},
      // A version followed by CR or LF compares as if the line ended there.
      {L"1.2\r\n", L"1.2", kVersionEqual}, {L"1.2\nrest of the file", L"1.2.0.0", kVersionEqual},
      {L"1.10\r", L"1.9", kVersionNewer},  // by value: as text it would be older
      {L"3\n", L"10\r", kVersionOlder},
  };
  for (const CompareCase& c : cases) ExpectCompare(c);
}

TEST(CompareVersionsTest, NullCountsAsZero) {
  const CompareCase cases[] = {
      {nullptr, nullptr, kVersionEqual}, {nullptr, L"0.0.0.1", kVersionOlder}, {nullptr, L"0", kVersionEqual},
      {nullptr, L"0.0.0.0\r\n", kVersionEqual}, {nullptr, L"1", kVersionOlder},
      // Against a text that is not a version a null side is the empty text.
      {nullptr, L"abc", kVersionOlder}, {nullptr, L"0 beta", kVersionOlder}, {nullptr, L"", kVersionEqual},
      {nullptr, L"\r\n", kVersionEqual},
  };
  for (const CompareCase& c : cases) ExpectCompare(c);
}

TEST(CompareVersionsTest, TextFallbackComparesLeadingNumbersThenCodeUnits) {
  const CompareCase cases[] = {
      {L"10a", L"9z", kVersionNewer}, {L"1.2b", L"1.2a", kVersionNewer}, {L"1.2 beta", L"1.2", kVersionNewer},
      {L"10a", L"9z", kVersionNewer}, {L"1.2b", L"1.2a", kVersionNewer}, {L"1.2 beta", L"1.2", kVersionNewer},  // the longer text wins
      {L"1.2 ", L"1.2", kVersionNewer},      // a trailing blank is not a line end
      {L"7", L"7x", kVersionOlder}, {L"abc", L"abd", kVersionOlder}, {L"abc", L"abc", kVersionEqual},
      {L"2004b", L"2004a", kVersionNewer}, {L"2004b", L"2004", kVersionNewer}, {L"1.10b", L"1.9b", kVersionOlder},
      {L"2004b", L"2004a", kVersionNewer}, {L"2004b", L"2004", kVersionNewer}, {L"1.10b", L"1.9b", kVersionOlder},  // only the leading number counts by value
      {L"007x", L"7x", kVersionEqual},        // leading numbers equal by value
      {L"007x", L"7y", kVersionOlder},        // then the text after both numbers
      {L"4294967296a", L"4294967295a", kVersionNewer},  // leading numbers are not cut to 32 bits
      {L"99999999999999999999b", L"1b", kVersionNewer}, {L"ABC", L"abc", kVersionOlder},  // case-sensitive
      {L"1x", L"a", kVersionOlder},           // only one side starts with a digit: code units
      {L"beta\r\nzzz", L"beta", kVersionEqual},  // CR and LF end the text
      {L"beta\n", L"beta\r", kVersionEqual}, {L"a\x00E9", L"az", kVersionNewer},  // code units, not collation
      {L"x\xFFFF", L"x\x0100", kVersionNewer},  // unsigned 16-bit units
      {L"\xD800\xDC00", L"\xE000", kVersionOlder}, {L"", L"abc", kVersionOlder}, {L"", L"1.0", kVersionOlder},
      {L"", L"", kVersionEqual},
  };
  for (const CompareCase& c : cases) ExpectCompare(c);
}

TEST(CompareVersionsTest, ViewOverloadHonoursTheLength) {
  EXPECT_EQ(kVersionEqual, CompareVersions(std::wstring_view(L"1.25", 3), std::wstring_view(L"1.2")));
  EXPECT_EQ(kVersionOlder, CompareVersions(std::wstring_view(L"7xyz", 1), std::wstring_view(L"7x")));
  EXPECT_EQ(kVersionEqual, CompareVersions(std::wstring_view(L"abc!", 3), std::wstring_view(L"abc?", 3)));
  EXPECT_EQ(kVersionEqual, CompareVersions(std::wstring_view(), std::wstring_view(L"x", 0)));
}

// ---------------------------------------------------------------------------
// FormatVersionForDisplay

DisplayVersionStyle GoldStyle() {
  DisplayVersionStyle style;
  style.id = L"Gold";
  style.size = 2;
  style.replacements.push_back({{5, 1, 0, 0}, 2, L"5.1 Gold"});
  return style;
}

TEST(FormatVersionForDisplayTest, SizeLimitsTheComponentsWhenNoReplacementMatches) {
  DisplayVersionStyle style = GoldStyle();
  EXPECT_EQ(L"5.1 Gold", FormatVersionForDisplay(&style, {5, 1, 0, 3}));
  EXPECT_EQ(L"5.1 Gold", FormatVersionForDisplay(&style, {5, 1, 7, 9}));
  EXPECT_EQ(L"5.2", FormatVersionForDisplay(&style, {5, 2, 0, 0}));
  EXPECT_EQ(L"6.1", FormatVersionForDisplay(&style, {6, 1, 0, 0}));
  for (std::uint32_t size = 1; size <= 4; ++size) {
    SCOPED_TRACE(size);
    style.size = size;
    EXPECT_EQ(FormatVersion({9, 8, 7, 6}, size), FormatVersionForDisplay(&style, {9, 8, 7, 6}));
  }
}

TEST(FormatVersionForDisplayTest, PrefixCountsDecideHowMuchMustMatch) {
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
}

TEST(FormatVersionForDisplayTest, FirstMatchingReplacementWins) {
  DisplayVersionStyle style;
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
}

TEST(FormatVersionForDisplayTest, BufferIsCutAndAlwaysTerminated) {
  const DisplayVersionStyle style = GoldStyle();
  wchar_t buffer[16];
  auto fill = [&] { std::fill(std::begin(buffer), std::end(buffer), L'#'); };

  fill();
  EXPECT_EQ(8u, FormatVersionForDisplay(&style, {5, 1, 0, 0}, buffer, 9));  // exact fit
  EXPECT_STREQ(L"5.1 Gold", buffer);

  fill();
  EXPECT_EQ(7u, FormatVersionForDisplay(&style, {5, 1, 0, 0}, buffer, 8));
  EXPECT_STREQ(L"5.1 Gol", buffer);

  fill();
  EXPECT_EQ(3u, FormatVersionForDisplay(&style, {5, 1, 0, 0}, buffer, 4));
  EXPECT_STREQ(L"5.1", buffer);
  EXPECT_EQ(L'#', buffer[4]) << "wrote past the capacity";

  EXPECT_EQ(L"5.1.0.3", FormatVersionForDisplay(nullptr, {5, 1, 0, 3}));  // no style: four components
  fill();  // a formatted version is cut the same way
  EXPECT_EQ(5u, FormatVersionForDisplay(nullptr, {4294967295u, 1, 2, 3}, buffer, 6));
  EXPECT_STREQ(L"42949", buffer);
  EXPECT_EQ(L'#', buffer[6]);

  fill();
  EXPECT_EQ(0u, FormatVersionForDisplay(&style, {5, 1, 0, 0}, buffer, 1));
  EXPECT_EQ(L'\0', buffer[0]);
  EXPECT_EQ(L'#', buffer[1]);

  fill();
  EXPECT_EQ(0u, FormatVersionForDisplay(&style, {5, 1, 0, 0}, buffer, 0));
  EXPECT_EQ(L'#', buffer[0]) << "capacity 0 writes nothing";
  EXPECT_EQ(0u, FormatVersionForDisplay(nullptr, {1, 2, 3, 4}, nullptr, 0));
}

}  // namespace
}  // namespace wendrix


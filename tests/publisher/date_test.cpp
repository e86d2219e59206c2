// Dates as publisher data files and the wallet write them, and their file
// times.
#include "core/date.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>

namespace wendrix {
namespace {

constexpr std::uint64_t kTicksPerDay = 86400ull * 10'000'000;

TEST(DateTest, FileTimesCountFrom1601) {
  EXPECT_EQ(ParseDate(L"1601-01-01"), std::optional<std::uint64_t>(0));
  EXPECT_EQ(ParseDate(L"1601-01-01T00:00:01Z"), std::optional<std::uint64_t>(10'000'000));
  EXPECT_EQ(ParseDate(L"1601-01-02"), std::optional<std::uint64_t>(kTicksPerDay));
  EXPECT_EQ(ParseDate(L"1970-01-01"), std::optional<std::uint64_t>(116444736000000000ull));
  EXPECT_EQ(ParseDate(L"2013-05-07T14:03:09Z"), std::optional<std::uint64_t>(FileTimeFromParts(2013, 5, 7, 14, 3, 9)));
  EXPECT_EQ(ParseDate(L"2013-5-7"), ParseDate(L"2013-05-07T00:00:00Z"));
  EXPECT_EQ(ParseDate(L"2013-005-007"), ParseDate(L"2013-05-07"));
  // Consecutive days across month, year and leap-day boundaries.
  EXPECT_EQ(*ParseDate(L"2013-03-01") - *ParseDate(L"2013-02-28"), kTicksPerDay);
  EXPECT_EQ(*ParseDate(L"2012-03-01") - *ParseDate(L"2012-02-29"), kTicksPerDay);
  EXPECT_EQ(*ParseDate(L"2014-01-01") - *ParseDate(L"2013-12-31T23:59:59Z"), 10'000'000u);
  EXPECT_EQ(*ParseDate(L"2001-01-01") - *ParseDate(L"2000-01-01"), 366 * kTicksPerDay);
  EXPECT_EQ(*ParseDate(L"1901-01-01") - *ParseDate(L"1900-01-01"), 365 * kTicksPerDay);
  EXPECT_EQ(FormatDate(kTicksPerDay - 1), L"1601-01-01T23:59:59Z");
}

// A date that parses formats back to the same text; the last one that fits.
TEST(DateTest, ValidDatesFormatBack) {
  for (const wchar_t* text : {L"1601-01-01T00:00:00Z", L"1601-01-01T00:00:01Z", L"1999-12-31T23:59:59Z",
                              L"2000-02-29T12:00:00Z", L"2012-02-29T00:00:00Z", L"2400-02-29T00:00:00Z",
                              L"2000-03-01T00:00:00Z", L"2013-04-30T00:00:00Z", L"2013-01-31T00:00:00Z",
                              L"2100-03-01T08:09:10Z", L"9999-12-31T00:00:00Z", L"30827-12-31T23:59:59Z",
                              L"60056-05-28T05:36:10Z"}) {
    SCOPED_TRACE(testing::Message() << text);
    const std::optional<std::uint64_t> time = ParseDate(text);
    ASSERT_TRUE(time.has_value());
    EXPECT_EQ(FormatDate(*time), text);
  }
}

TEST(DateTest, UnreadableDates) {
  for (const wchar_t* text : {
           L"",                           L"1600-12-31",           L"65536-01-01",            L"2013-00-10",
           L"2013-13-01",                 L"2013-01-00",           L"2013-01-32",             L"2013-04-31",
           L"2013-02-29",                 L"1900-02-29",           L"2100-02-29",             L"2013-02-30",
           L"2013-05-07T24:00:00Z",       L"2013-05-07T23:60:00Z", L"2013-05-07T23:59:60Z",   L"2013-05-07T10:00:00",
           L"2013-05-07T10:00Z",          L"2013-05-07T",          L"2013-05-07Z",            L"2013/05/07",
           L"2013-05-07 10:00:00Z",       L"2013-05-07T10-00-00Z", L"2013-05-07T10:00:00Zx",  L"2013-05-07x",
           L"2013-05-07 ",                L" 2013-05-07",          L"+2013-05-07",            L"2013--05-07",
           L"2013-05",                    L"-05-07",               L"99999999999-01-01",      L"2013-05-07T-1:00:00Z",
           L"60056-05-28T05:36:11Z",      L"60057-01-01",          L"65535-12-31T23:59:59Z",
       }) {
    SCOPED_TRACE(testing::Message() << "'" << text << "'");
    EXPECT_FALSE(ParseDate(text).has_value());
  }
}

}  // namespace
}  // namespace wendrix

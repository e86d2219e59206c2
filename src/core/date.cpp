#include "core/date.h"

#include <cstdio>

#include "core/string_util.h"

namespace wendrix {
namespace {

constexpr std::uint64_t kTicksPerSecond = 10'000'000;

bool IsLeapYear(unsigned y) noexcept { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

unsigned DaysInMonth(unsigned y, unsigned m) noexcept {
  static constexpr unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeapYear(y) ? 29 : kDays[m - 1];
}

// Days from 1601-01-01 to the given date (proleptic Gregorian calendar).
std::uint64_t DaysSince1601(unsigned y, unsigned m, unsigned d) noexcept {
  // Shift the year to start in March so that the leap day ends it.
  const std::int64_t yy = static_cast<std::int64_t>(y) - (m <= 2 ? 1 : 0);
  const std::int64_t era = yy / 400;
  const std::int64_t yoe = yy - era * 400;
  const std::int64_t mp = (m + 9) % 12;
  const std::int64_t doy = (153 * mp + 2) / 5 + d - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  const std::int64_t daysFromCivil0 = era * 146097 + doe;  // days since 0000-03-01
  constexpr std::int64_t k1601 = 584694;                   // 1601-01-01 in the same count
  return static_cast<std::uint64_t>(daysFromCivil0 - k1601);
}

// Reads a decimal number of at least one digit; false when there is none or it is too large.
bool ReadNumber(std::wstring_view& text, unsigned& value) noexcept {
  std::size_t i = 0;
  std::uint64_t v = 0;
  while (i < text.size() && IsDecimalDigit(text[i])) {
    v = v * 10 + static_cast<unsigned>(text[i] - L'0');
    if (v > 0xFFFFFFFFull) return false;
    ++i;
  }
  if (i == 0) return false;
  value = static_cast<unsigned>(v);
  text.remove_prefix(i);
  return true;
}

bool Expect(std::wstring_view& text, wchar_t c) noexcept {
  if (text.empty() || text.front() != c) return false;
  text.remove_prefix(1);
  return true;
}

std::uint64_t SecondsSince1601(unsigned year, unsigned month, unsigned day, unsigned hour, unsigned minute,
                               unsigned second) noexcept {
  return DaysSince1601(year, month, day) * 86400 + hour * 3600ull + minute * 60ull + second;
}

}  // namespace

std::uint64_t FileTimeFromParts(unsigned year, unsigned month, unsigned day, unsigned hour, unsigned minute,
                                unsigned second) noexcept {
  return SecondsSince1601(year, month, day, hour, minute, second) * kTicksPerSecond;
}

std::optional<std::uint64_t> ParseDate(std::wstring_view text) noexcept {
  unsigned year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  if (!ReadNumber(text, year) || !Expect(text, L'-') || !ReadNumber(text, month) || !Expect(text, L'-') ||
      !ReadNumber(text, day))
    return std::nullopt;
  if (year < 1601 || year > 65535 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month))
    return std::nullopt;
  if (!text.empty()) {
    if (!Expect(text, L'T') || !ReadNumber(text, hour) || !Expect(text, L':') || !ReadNumber(text, minute) ||
        !Expect(text, L':') || !ReadNumber(text, second) || !Expect(text, L'Z') || !text.empty())
      return std::nullopt;
    if (hour > 23 || minute > 59 || second > 59) return std::nullopt;
  }
  // A file time counts 100-nanosecond intervals in 64 bits, which run out in
  // May 60056: a later date has no file time and cannot be read.
  const std::uint64_t seconds = SecondsSince1601(year, month, day, hour, minute, second);
  if (seconds > UINT64_MAX / kTicksPerSecond) return std::nullopt;
  return seconds * kTicksPerSecond;
}

std::wstring FormatDate(std::uint64_t fileTime) {
  std::uint64_t seconds = fileTime / kTicksPerSecond;
  const unsigned second = static_cast<unsigned>(seconds % 60), minute = static_cast<unsigned>(seconds / 60 % 60),
                 hour = static_cast<unsigned>(seconds / 3600 % 24);
  std::uint64_t days = seconds / 86400;
  unsigned year = 1601;
  while (days >= (IsLeapYear(year) ? 366u : 365u)) days -= IsLeapYear(year++) ? 366 : 365;
  unsigned month = 1;
  while (days >= DaysInMonth(year, month)) days -= DaysInMonth(year, month++);
  char buffer[48];
  std::snprintf(buffer, sizeof(buffer), "%u-%02u-%02uT%02u:%02u:%02uZ", year, month, static_cast<unsigned>(days) + 1,
                hour, minute, second);
  return CStringUtil::Widen(buffer);
}

}  // namespace wendrix

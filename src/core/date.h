#pragma once
// Dates as the library's files write them: "2013-05-07" or
// "2013-05-07T14:03:00Z" (UTC), held in memory as file times (100-nanosecond
// intervals since 1601-01-01 UTC).
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace wendrix {

// A year 1601-65535, "-", month 1-12, "-", day of that month; optionally "T",
// hour 0-23, ":", minute 0-59, ":", second 0-59 and a mandatory "Z". Each
// number is plain decimal digits. Anything else rejects the whole date, and so
// does a date after 60056-05-28T05:36:10Z, the last second a file time holds.
std::optional<std::uint64_t> ParseDate(std::wstring_view text) noexcept;

// "%d-%02d-%02dT%02d:%02d:%02dZ" of a file time.
std::wstring FormatDate(std::uint64_t fileTime);

// The file time of a calendar date and time (no validation).
std::uint64_t FileTimeFromParts(unsigned year, unsigned month, unsigned day, unsigned hour, unsigned minute,
                                unsigned second) noexcept;

}  // namespace wendrix

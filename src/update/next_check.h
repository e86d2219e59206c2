#pragma once
// When the next automatic check is due.
#include <cstdint>

namespace wendrix {

enum CheckPeriod : std::uint32_t { kPeriodManual, kPeriodDaily, kPeriodWeekly, kPeriodMonthly };

// Seconds of a period: 0 (manual), one day, one week, 30 days.
std::uint64_t PeriodSeconds(std::uint32_t period) noexcept;

enum NextCheck : int { kNoAutomaticCheck = 0, kCheckLater = 1, kCheckDue = 2 };

// The next check is one period after the later of the last check and the
// last skip (the skip on a tie; whichever is set; now when neither), all as
// file times. Manual gives kNoAutomaticCheck and leaves *next alone.
NextCheck ComputeNextCheck(std::uint32_t period, std::uint64_t lastCheck, std::uint64_t lastSkip, std::uint64_t now,
                           std::uint64_t* next) noexcept;

}  // namespace wendrix

#pragma once
// The scheduler's decision: whether an automatic check is due now, and when
// to look again.
#include <cstdint>

#include "update/next_check.h"

namespace wendrix {

struct ScheduleDecision {
  bool checkNow = false;
  std::uint32_t lookAgainMs = 0;  // until the next look at the settings
};

// The scheduler looks at the settings at least once a minute, so that a new
// period chosen in the options takes effect without a restart.
inline constexpr std::uint32_t kScheduleLookInterval = 60000;
// However the settings read, automatic checks started by one scheduler are
// at least an hour apart: a check whose outcome cannot be recorded must not
// run again every minute.
inline constexpr std::uint64_t kScheduleMinimumGap = 3600ull * 10000000ull;

class CheckSchedule {
 public:
  // `started` is when the scheduler began (a file time).
  explicit CheckSchedule(std::uint64_t started) noexcept : m_started(started) {}

  // With period Manual nothing is ever due. Otherwise a check is due one
  // period after the later of the last check and the last skip; a user who
  // has neither gets the first check one period after the scheduler
  // started (the settings' own rule would push it one period beyond every
  // look). All times are file times (UTC). The next look comes after the
  // look interval, or sooner when the check falls due sooner (at least
  // 1 s ahead).
  ScheduleDecision Decide(std::uint32_t period, std::uint64_t lastCheck, std::uint64_t lastSkip,
                          std::uint64_t now) const noexcept;

  // Notes that a check started at `now`.
  void Ran(std::uint64_t now) noexcept { m_lastRun = now; }

 private:
  std::uint64_t m_started;
  std::uint64_t m_lastRun = 0;
};

}  // namespace wendrix

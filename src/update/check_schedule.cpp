#include "update/check_schedule.h"

namespace wendrix {
namespace {

constexpr std::uint64_t kFileTimePerMs = 10000;
constexpr std::uint32_t kShortestLook = 1000;

}  // namespace

ScheduleDecision CheckSchedule::Decide(std::uint32_t period, std::uint64_t lastCheck, std::uint64_t lastSkip,
                                       std::uint64_t now) const noexcept {
  ScheduleDecision decision;
  decision.lookAgainMs = kScheduleLookInterval;
  std::uint64_t next = 0;
  if (ComputeNextCheck(period, lastCheck, lastSkip, lastCheck || lastSkip ? now : m_started, &next) ==
      kNoAutomaticCheck)
    return decision;
  // A clock set back before the last run does not hold checks up.
  if (m_lastRun && now >= m_lastRun && next < m_lastRun + kScheduleMinimumGap) next = m_lastRun + kScheduleMinimumGap;
  if (now >= next) {
    decision.checkNow = true;
    return decision;
  }
  const std::uint64_t waitMs = (next - now + kFileTimePerMs - 1) / kFileTimePerMs;
  if (waitMs < decision.lookAgainMs) decision.lookAgainMs = waitMs < kShortestLook ? kShortestLook
                                                                                  : static_cast<std::uint32_t>(waitMs);
  return decision;
}

}  // namespace wendrix

#include "update/next_check.h"

namespace wendrix {
namespace {

constexpr std::uint64_t kFileTimePerSecond = 10000000;

}  // namespace

std::uint64_t PeriodSeconds(std::uint32_t period) noexcept {
  switch (period) {
    case kPeriodDaily: return 86400;
    case kPeriodWeekly: return 604800;
    case kPeriodMonthly: return 2592000;
    default: return 0;
  }
}

NextCheck ComputeNextCheck(std::uint32_t period, std::uint64_t lastCheck, std::uint64_t lastSkip, std::uint64_t now,
                           std::uint64_t* next) noexcept {
  const std::uint64_t seconds = PeriodSeconds(period);
  if (seconds == 0 || !next) return kNoAutomaticCheck;
  std::uint64_t base = now;
  if (lastCheck && lastSkip) base = lastSkip >= lastCheck ? lastSkip : lastCheck;
  else if (lastCheck) base = lastCheck;
  else if (lastSkip) base = lastSkip;
  *next = base + seconds * kFileTimePerSecond;
  return now < *next ? kCheckLater : kCheckDue;
}

}  // namespace wendrix

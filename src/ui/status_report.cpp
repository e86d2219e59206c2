#include "ui/status_report.h"

#include <algorithm>
#include <cstring>

#include "wallet/status_message.h"

namespace wendrix {

bool ReadStatusReport(const COPYDATASTRUCT& data, StatusReport& report) {
  if (data.dwData != kStatusStarted && data.dwData != kStatusProgress && data.dwData != kStatusChanged) return false;
  constexpr std::size_t kHead = sizeof report.values;
  if (!data.lpData || data.cbData < kHead) return false;
  const auto* bytes = static_cast<const std::uint8_t*>(data.lpData);
  report.kind = data.dwData == kStatusStarted    ? StatusKind::kStarted
                : data.dwData == kStatusProgress ? StatusKind::kProgress
                                                 : StatusKind::kChanged;
  std::memcpy(report.values, bytes, kHead);
  const std::size_t units = (data.cbData - kHead) / sizeof(wchar_t);
  std::wstring id(units, L'\0');
  std::memcpy(id.data(), bytes + kHead, units * sizeof(wchar_t));
  id.resize(std::find(id.begin(), id.end(), L'\0') - id.begin());
  report.entryId = std::move(id);
  return true;
}

std::uint32_t StatusPercent(const StatusReport& report) noexcept {
  const std::uint64_t done = report.values[0] | (std::uint64_t{report.values[1]} << 32);
  const std::uint64_t total = report.values[2] | (std::uint64_t{report.values[3]} << 32);
  if (!total) return 0;
  if (done >= total) return 100;
  // done < total here; a hostile size near 2^64 must not overflow done * 100.
  if (done <= UINT64_MAX / 100) return static_cast<std::uint32_t>(done * 100 / total);
  return static_cast<std::uint32_t>(done / (total / 100));
}

LRESULT StatusGoOn() noexcept { return kReplyGoOn; }

}  // namespace wendrix

#pragma once
// The status messages of the download manager as the main window reads
// them: any process can send WM_COPYDATA, so the data is checked before use.
#include <windows.h>

#include <cstdint>
#include <string>

namespace wendrix {

enum class StatusKind { kStarted, kProgress, kChanged };

struct StatusReport {
  StatusKind kind = StatusKind::kStarted;
  std::uint32_t values[4] = {};
  std::wstring entryId;
};

// Whether `data` is a status message: its kind is one of the status codes,
// it holds the four values, and the entry ID that follows ends with a zero
// within the data (a missing zero ends the ID at the data's end).
bool ReadStatusReport(const COPYDATASTRUCT& data, StatusReport& report);

// The percentage of a progress message: bytes done (values 0 and 1) of the
// total (values 2 and 3); 0 without a total, at most 100.
std::uint32_t StatusPercent(const StatusReport& report) noexcept;

// The reply that lets the sender go on.
LRESULT StatusGoOn() noexcept;

}  // namespace wendrix

#pragma once
// The event the main window records when a check run of its worker thread
// ends.
#include <cstdint>
#include <optional>

namespace wendrix {

// The low byte of the run flags: 0 for a check run, 1 for a self-update.
inline constexpr std::uint32_t kRunKindMask = 0xFF;

struct CheckEvent {
  std::uint32_t origin;  // kOriginStartup or kOriginManual
  std::uint32_t result;  // kResultAborted, kResultError, kResultPartialSuccess or kResultSuccess
};

// The Check event of a run that ended with `runFlags` (the engine's run
// flags): none unless it was a check run (kind 0) with kRunFlagLogged.
// Startup origin with kRunFlagStartup, else Manual; the result is the first of Aborted, Error, PartialSuccess whose
// flag is set, else Success.
std::optional<CheckEvent> CheckEventOfRun(std::uint32_t runFlags) noexcept;

}  // namespace wendrix

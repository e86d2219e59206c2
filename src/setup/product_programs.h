#pragma once
// The product's running programs around a rollback or a restart: the main
// dialog ("WendrixDialog") and the scheduler ("WendrixScheduler") are stopped
// before files are put back and started again afterwards.
#include <cstdint>

#include "core/result.h"
#include "setup/product_start.h"

namespace wendrix {

struct RunningProductPrograms {
  bool dialog = false;
  bool scheduler = false;
};

// Notes which of the two run and, when either does, stops the product's
// programs for a restart. A program that does not stop is left running:
// the rollback goes ahead, and files it holds fail there.
RunningProductPrograms PauseProductPrograms();

// Starts again what PauseProductPrograms found running (the dialog only when
// it ran). Failures are not reported: the rollback's result is what counts.
void ResumeProductPrograms(const RunningProductPrograms& running, RequestPendingQuery requestPending);

// Stops the product's programs with `flags`; the forwarded stop export in
// the library, which sits above this layer.
using StopProgramsCall = HRESULT (*)(std::uint32_t flags);

// When the dialog runs in another process of this session, stops the
// programs and starts them again with the dialog; otherwise, when the
// scheduler does, stops them and starts them again with the dialog only if
// one was open. Otherwise nothing happens and 0 is returned. A failing stop
// or start gives its error at once.
HRESULT RestartProductPrograms(StopProgramsCall stop, RequestPendingQuery requestPending);

}  // namespace wendrix

#include "ui/check_event.h"

#include "eventlog/event_vocabulary.h"
#include "update/check_engine.h"

namespace wendrix {

std::optional<CheckEvent> CheckEventOfRun(std::uint32_t runFlags) noexcept {
  if ((runFlags & kRunKindMask) != 0 || !(runFlags & kRunFlagLogged)) return std::nullopt;
  CheckEvent event{(runFlags & kRunFlagStartup) ? std::uint32_t{kOriginStartup} : std::uint32_t{kOriginManual},
                   kResultSuccess};
  if (runFlags & kRunFlagAborted)
    event.result = kResultAborted;
  else if (runFlags & kRunFlagError)
    event.result = kResultError;
  else if (runFlags & kRunFlagPartial)
    event.result = kResultPartialSuccess;
  return event;
}

}  // namespace wendrix

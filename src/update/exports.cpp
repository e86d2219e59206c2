// The exports of the update subsystem that exist so far.
#include "frame/export_guard.h"
#include "registration/startup_entry.h"
#include "wendrix.h"

using namespace wendrix;

extern "C" HRESULT WINAPI WendrixReplacePerUserStartupShortcut() {
  return GuardedCall([] { return ReplacePerUserStartupShortcut(); });
}

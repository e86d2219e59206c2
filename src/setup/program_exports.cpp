// The exports that stop and restart the product's running programs.
#include <windows.h>

#include "frame/export_guard.h"
#include "frame/installed_copy.h"
#include "setup/product_programs.h"
#include "setup/product_stop.h"
#include "wallet/request_record.h"
#include "wendrix.h"

using namespace wendrix;

extern "C" HRESULT WINAPI WendrixStopEx(HWND reserved, UINT32 flags) {
  return GuardedCall([&]() -> HRESULT {
    HRESULT forwarded = S_OK;
    if (ForwardToInstalledCopy<decltype(&WendrixStopEx)>("WendrixStopEx", &forwarded, reserved, flags))
      return forwarded;
    return StopProductPrograms(flags);
  });
}

extern "C" HRESULT WINAPI WendrixStop() { return WendrixStopEx(nullptr, 0); }

namespace {

// A newer installed copy knows best how to stop the programs it installed.
HRESULT StopThroughExport(std::uint32_t flags) { return WendrixStopEx(nullptr, flags); }

}  // namespace

extern "C" HRESULT WINAPI WendrixRestart() {
  return GuardedCall([&]() -> HRESULT { return RestartProductPrograms(&StopThroughExport, &RequestRecordPending); });
}

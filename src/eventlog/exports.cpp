// The event log exports.
#include "eventlog/event_log.h"
#include "frame/export_guard.h"
#include "wendrix.h"

using namespace wendrix;

extern "C" HRESULT WINAPI WendrixLogEvent(UINT32 origin, UINT32 type, const WCHAR* publisherId, const WCHAR* groupId,
                                          const WCHAR* itemId, const WCHAR* actionId, UINT32 result) {
  return GuardedCall([&] { return AppendEvent(origin, type, publisherId, groupId, itemId, actionId, result, nullptr); });
}

extern "C" HRESULT WINAPI WendrixLogEvent2(UINT32 origin, UINT32 type, const WCHAR* publisherId, const WCHAR* groupId,
                                           const WCHAR* itemId, const WCHAR* actionId, UINT32 result,
                                           const WCHAR* resultInfo) {
  return GuardedCall(
      [&] { return AppendEvent(origin, type, publisherId, groupId, itemId, actionId, result, resultInfo); });
}

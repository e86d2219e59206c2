// The check exports: applications and the scheduler check for updates in
// their own thread and get a short summary and per-item flags back.
#include <windows.h>

#include <string>

#include "frame/ansi.h"
#include "frame/export_guard.h"
#include "frame/global_string.h"
#include "update/application_check.h"
#include "wallet/wallet_store.h"
#include "update/check_prompt.h"
#include "wendrix.h"

using namespace wendrix;

extern "C" HRESULT WINAPI WendrixCheckEx(const WCHAR* publisher, const WCHAR* group, const WCHAR* item,
                                         WCHAR** summary, UINT32* summaryFlags, UINT32* itemFlags, UINT32 options) {
  return GuardedCall([&]() -> HRESULT {
    if (summary) *summary = nullptr;
    if (summaryFlags) *summaryFlags = 0;
    if (itemFlags) *itemFlags = 0;
    const ApplicationCheckRequest request{publisher,     group, item, options, summary || summaryFlags,
                                          itemFlags != nullptr, &WalletHoldsDownload};
    ApplicationCheckAnswer answer;
    const HRESULT hr = RunApplicationCheck(request, ConfirmCheck, answer);
    if (FAILED(hr)) return hr;
    if (summary && !answer.summary.empty()) {
      CGlobalString global;
      RETURN_IF_FAILED(global.Assign(answer.summary));
      *summary = global.Detach();
    }
    if (summaryFlags) *summaryFlags = answer.summaryFlags;
    if (itemFlags) *itemFlags = answer.itemFlags;
    return hr;
  });
}
extern "C" HRESULT WINAPI WendrixCheck(const CHAR* publisher, const CHAR* item, CHAR** summary, UINT32* summaryFlags,
                                       UINT32* itemFlags, UINT32 options) {
  return GuardedCall([&]() -> HRESULT {
    if (summary) *summary = nullptr;
    const AnsiArg widePublisher(publisher), wideItem(item);
    WCHAR* wideSummary = nullptr;
    const HRESULT hr = WendrixCheckEx(widePublisher.Get(), nullptr, wideItem.Get(), summary ? &wideSummary : nullptr,
                                      summaryFlags, itemFlags, options);
    if (FAILED(hr) || !wideSummary) return hr;
    CGlobalString global;
    const HRESULT assigned = global.Assign(wideSummary);
    GlobalFree(wideSummary);
    RETURN_IF_FAILED(assigned);
    RETURN_IF_FAILED(global.DetachAnsi(summary));
    return hr;
  });
}

// The system information export.
#include <optional>
#include <string>

#include "core/string_util.h"
#include "frame/export_guard.h"
#include "frame/global_string.h"
#include "sysinfo/system_query.h"
#include "wendrix.h"

using namespace wendrix;

extern "C" HRESULT WINAPI WendrixSystem(const WCHAR* caller, const WCHAR* query, UINT32 reserved, WCHAR** answer) {
  return GuardedCall([&]() -> HRESULT {
    if (!query || !answer) return E_POINTER;
    *answer = nullptr;
    std::optional<std::wstring> text;
    RETURN_IF_FAILED(EvaluateSystemQuery(CStringUtil::View(query), text));
    if (!text) return S_OK;
    CGlobalString result;
    RETURN_IF_FAILED(result.Assign(*text));
    *answer = result.Detach();
    return S_OK;
  });
}

#pragma once
// The library's own activation context (from its manifest resource), active
// while the object lives. Modules loaded inside it (the installed copy of the
// library, WinINet) bind the same side-by-side assemblies as the library.
#include <windows.h>

#include "frame/module_state.h"

namespace wendrix {

class ActivationScope {
 public:
  ActivationScope() {
    ACTCTXW context{};
    context.cbSize = sizeof(context);
    context.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
    context.hModule = Module().module;
    context.lpResourceName = MAKEINTRESOURCEW(2);  // ISOLATIONAWARE_MANIFEST_RESOURCE_ID
    m_context = context.hModule ? CreateActCtxW(&context) : INVALID_HANDLE_VALUE;
    if (m_context != INVALID_HANDLE_VALUE && !ActivateActCtx(m_context, &m_cookie)) m_cookie = 0;
  }
  ActivationScope(const ActivationScope&) = delete;
  ActivationScope& operator=(const ActivationScope&) = delete;
  ~ActivationScope() {
    const DWORD lastError = GetLastError();  // the load's error survives the deactivation
    if (m_cookie) DeactivateActCtx(0, m_cookie);
    if (m_context != INVALID_HANDLE_VALUE) ReleaseActCtx(m_context);
    SetLastError(lastError);
  }

 private:
  HANDLE m_context = INVALID_HANDLE_VALUE;
  ULONG_PTR m_cookie = 0;
};

}  // namespace wendrix

#pragma once
// The library's own activation context (from its manifest resource), active
// while an ActivationScope lives. Modules loaded inside it (the installed
// copy of the library, WinINet, the common controls) bind the same
// side-by-side assemblies as the library.
#include <windows.h>

namespace wendrix {

// The context, made from the manifest on first use and kept: making it parses
// the manifest, which costs more than half a millisecond, and a check binds
// WinINet once per fetch. INVALID_HANDLE_VALUE while the module state is not
// set or the manifest cannot be read (a later call tries again).
HANDLE LibraryActivationContext() noexcept;
// Releases it when the library is unloaded.
void ReleaseLibraryActivationContext() noexcept;

class ActivationScope {
 public:
  ActivationScope() noexcept {
    const HANDLE context = LibraryActivationContext();
    if (context != INVALID_HANDLE_VALUE && !ActivateActCtx(context, &m_cookie)) m_cookie = 0;
  }
  ActivationScope(const ActivationScope&) = delete;
  ActivationScope& operator=(const ActivationScope&) = delete;
  ~ActivationScope() {
    const DWORD lastError = GetLastError();  // the load's error survives the deactivation
    if (m_cookie) DeactivateActCtx(0, m_cookie);
    SetLastError(lastError);
  }

 private:
  ULONG_PTR m_cookie = 0;
};

}  // namespace wendrix

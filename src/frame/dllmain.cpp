#include <windows.h>

#include "api/store_snapshot.h"
#include "frame/activation_scope.h"
#include "frame/module_state.h"

// A library that cannot read its own name and version, or that finds product
// files of another version beside it, refuses to load rather than mix
// versions. Unloading releases the activation context it made and the
// queries' kept store; at process exit nothing is torn down.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_DETACH && !reserved) {
    wendrix::ReleaseKeptStore();
    wendrix::ReleaseLibraryActivationContext();
  }
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  try {
    return wendrix::InitializeModuleState(instance) ? TRUE : FALSE;
  } catch (...) {
    return FALSE;
  }
}

#include <windows.h>

#include "frame/module_state.h"

// Only process attach does work; a library that cannot read its own name and
// version, or that finds product files of another version beside it, refuses
// to load rather than mix versions.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  try {
    return wendrix::InitializeModuleState(instance) ? TRUE : FALSE;
  } catch (...) {
    return FALSE;
  }
}

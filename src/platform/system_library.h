#pragma once
// System DLLs bound at run time, taken from the system folder only. A bare
// name given to LoadLibraryW is looked up in the program's folder first (and
// in the current directory and PATH after the system folders): a DLL named
// like a system one in a download folder beside an installer would run its
// code inside every program that uses the library.
#include <windows.h>

#include "platform/unique_handle.h"

namespace wendrix {

// Loads the system DLL `name` (a bare file name such as L"msi.dll") from the
// system folder, with its own dependencies resolved there too. `flags` adds
// LoadLibraryExW flags such as LOAD_LIBRARY_AS_DATAFILE. Null, with the
// loader's error in GetLastError(), when the module cannot be loaded there.
// A name that the active activation context redirects (the common controls
// of version 6) comes from the assembly the context names, as with
// LoadLibraryW.
UniqueModule LoadSystemLibrary(const wchar_t* name, DWORD flags = 0) noexcept;

// The route LoadSystemLibrary takes on loaders that do not know
// LOAD_LIBRARY_SEARCH_SYSTEM32: the full path in the system folder.
UniqueModule LoadSystemLibraryByPath(const wchar_t* name, DWORD flags = 0) noexcept;

// The function `name` of `module` as the pointer type Fn; null when the
// module is null or lacks it.
template <typename Fn>
Fn ProcAddress(HMODULE module, const char* name) noexcept {
  return module ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

}  // namespace wendrix

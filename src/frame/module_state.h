#pragma once
// The library's module state: set once when the library is attached to a
// process and never changed afterwards.
#include <windows.h>

#include <string>

namespace wendrix {

struct ModuleState {
  HMODULE module = nullptr;
  std::wstring fileName;  // full path of the library file
  std::wstring folder;    // without the trailing backslash
  std::wstring version;   // "%d.%d.%d.%d" from the file's own version resource
  bool named64 = false;   // the file name ends with "wendrix64.dll"
};

// The state of this module; empty before InitializeModuleState succeeded.
const ModuleState& Module() noexcept;

// Fills the module state for `module`. Fails (and the load must be refused)
// when the library's own file name or version cannot be read, or when a
// sibling product file in its folder carries a different version.
bool InitializeModuleState(HMODULE module);

// The sibling product files whose version must match the library's own.
const wchar_t* const* SiblingFileNames(bool named64) noexcept;

}  // namespace wendrix

#pragma once
// The library's own DLL loaded into a test program, with the module state
// filled from it: code that reads the library's version or its string table
// needs the real module, not the test program.
#include <windows.h>

#include <gtest/gtest.h>

#include "frame/module_state.h"

namespace wendrix::test {

class LoadedLibrary {
 public:
  // Loads the DLL of this build's width; texts are asked for in English.
  LoadedLibrary() {
    SetThreadUILanguage(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
    m_module = LoadLibraryW(sizeof(void*) == 8 ? L"wendrix64.dll" : L"wendrix.dll");
    if (m_module && !InitializeModuleState(m_module)) {
      FreeLibrary(m_module);
      m_module = nullptr;
    }
  }
  LoadedLibrary(const LoadedLibrary&) = delete;
  LoadedLibrary& operator=(const LoadedLibrary&) = delete;
  ~LoadedLibrary() {
    if (m_module) FreeLibrary(m_module);
  }

  bool Loaded() const noexcept { return m_module != nullptr; }
  HMODULE Module() const noexcept { return m_module; }

 private:
  HMODULE m_module = nullptr;
};

}  // namespace wendrix::test

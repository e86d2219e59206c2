#pragma once
// The programs this build made, which lie beside the test program.
#include <windows.h>

#include <optional>
#include <string>

#include "platform/unique_handle.h"

namespace wendrix::test {

// The build's bin folder: this program, the product's programs and
// libraries, and the test files.
std::wstring BinFolder();

// A program of the bin folder (`name`, such as L"wendrix.exe") started with
// `arguments`. Ended if it still runs when the object goes, and waited for,
// so that the next case or test does not meet it still ending.
class BuiltProgram {
 public:
  BuiltProgram(const wchar_t* name, const std::wstring& arguments);
  BuiltProgram(const BuiltProgram&) = delete;
  BuiltProgram& operator=(const BuiltProgram&) = delete;
  ~BuiltProgram();

  // Its exit code once it has ended within `milliseconds`; nothing otherwise.
  std::optional<DWORD> Wait(DWORD milliseconds);
  DWORD Id() const { return GetProcessId(m_process.Get()); }

 private:
  UniqueKernelObject m_process;
};

}  // namespace wendrix::test

#include "built_program.h"

#include <gtest/gtest.h>

namespace wendrix::test {

std::wstring BinFolder() {
  wchar_t self[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
  const std::wstring path(self, length);
  return path.substr(0, path.rfind(L'\\'));
}

BuiltProgram::BuiltProgram(const wchar_t* name, const std::wstring& arguments) {
  const std::wstring program = BinFolder() + L"\\" + name;
  std::wstring command = L"\"" + program + L"\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
    ADD_FAILURE() << "cannot start " << testing::PrintToString(program) << ": " << GetLastError();
    return;
  }
  CloseHandle(info.hThread);
  m_process.Reset(info.hProcess);
}

BuiltProgram::~BuiltProgram() {
  if (m_process && TerminateProcess(m_process.Get(), 99)) WaitForSingleObject(m_process.Get(), 5000);
}

std::optional<DWORD> BuiltProgram::Wait(DWORD milliseconds) {
  DWORD code = 0;
  if (!m_process || WaitForSingleObject(m_process.Get(), milliseconds) != WAIT_OBJECT_0 ||
      !GetExitCodeProcess(m_process.Get(), &code))
    return std::nullopt;
  return code;
}

}  // namespace wendrix::test

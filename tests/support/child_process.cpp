#include "child_process.h"

#include <shellapi.h>

#include <map>
#include <utility>

namespace wendrix::test {
namespace {

constexpr wchar_t kRoleSwitch[] = L"--child-role";

std::map<std::wstring, ChildRoleFunction>& Roles() {
  static std::map<std::wstring, ChildRoleFunction> roles;
  return roles;
}

std::wstring Quoted(const std::wstring& arg) {
  // Arguments here are paths and words: no quotes or trailing backslashes
  // that would need the full escaping rules.
  return L"\"" + arg + L"\"";
}

}  // namespace

ChildRoleRegistrar::ChildRoleRegistrar(const wchar_t* name, ChildRoleFunction function) { Roles()[name] = function; }

bool RunChildRoleIfAsked(int& exitCode) {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (!argv) return false;
  bool ran = false;
  if (argc >= 3 && std::wstring(argv[1]) == kRoleSwitch) {
    const auto role = Roles().find(argv[2]);
    exitCode = 97;  // an unknown role
    if (role != Roles().end()) exitCode = role->second(std::vector<std::wstring>(argv + 3, argv + argc));
    ran = true;
  }
  LocalFree(argv);
  return ran;
}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept : m_process(std::exchange(other.m_process, nullptr)) {}

ChildProcess::~ChildProcess() {
  if (m_process) CloseHandle(m_process);
}

bool ChildProcess::Start(const wchar_t* role, const std::vector<std::wstring>& args) {
  wchar_t self[MAX_PATH];
  if (!GetModuleFileNameW(nullptr, self, MAX_PATH)) return false;
  std::wstring command = Quoted(self) + L" " + kRoleSwitch + L" " + role;
  for (const std::wstring& arg : args) command += L" " + Quoted(arg);
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(self, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return false;
  CloseHandle(process.hThread);
  m_process = process.hProcess;
  return true;
}

int ChildProcess::Wait(DWORD milliseconds) {
  if (!m_process || WaitForSingleObject(m_process, milliseconds) != WAIT_OBJECT_0) return -1;
  DWORD code = 0;
  GetExitCodeProcess(m_process, &code);
  return static_cast<int>(code);
}

void ChildProcess::Terminate() {
  if (!m_process) return;
  TerminateProcess(m_process, 99);
  WaitForSingleObject(m_process, INFINITE);
}

}  // namespace wendrix::test

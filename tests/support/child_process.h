#pragma once
// Tests that need several processes start their own executable again with a
// role argument: "--child-role NAME ARG...". A role is a function registered
// with WENDRIX_CHILD_ROLE; main() runs it instead of the tests and exits with
// its result.
#include <windows.h>

#include <string>
#include <vector>

namespace wendrix::test {

using ChildRoleFunction = int (*)(const std::vector<std::wstring>& args);

struct ChildRoleRegistrar {
  ChildRoleRegistrar(const wchar_t* name, ChildRoleFunction function);
};

#define WENDRIX_WIDEN_(text) L##text
#define WENDRIX_CHILD_ROLE(name)                                                                  \
  static int ChildRole_##name(const std::vector<std::wstring>& args);                             \
  static const ::wendrix::test::ChildRoleRegistrar childRoleRegistrar_##name(WENDRIX_WIDEN_(#name), \
                                                                             ChildRole_##name);     \
  static int ChildRole_##name([[maybe_unused]] const std::vector<std::wstring>& args)

// When the command line asks for a role, runs it and returns true with its
// exit code; otherwise returns false.
bool RunChildRoleIfAsked(int& exitCode);

// This executable started again in a role; the handles close with the object.
class ChildProcess {
 public:
  ChildProcess() = default;
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  ChildProcess(ChildProcess&& other) noexcept;
  ~ChildProcess();

  // False when the process could not be created.
  bool Start(const wchar_t* role, const std::vector<std::wstring>& args);
  // The exit code, or -1 when the process did not end within the time.
  int Wait(DWORD milliseconds = 120000);
  // Ends the process at once, wherever it is, and waits until it has ended.
  void Terminate();
  DWORD Id() const { return m_process ? GetProcessId(m_process) : 0; }

 private:
  HANDLE m_process = nullptr;
};

}  // namespace wendrix::test

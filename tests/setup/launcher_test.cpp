// The launcher program of this build, started as the library starts it: it
// holds the entry's mutex while the file runs, runs the file in its folder
// with its parameters, waits for the process it was given first, starts the
// program to follow, and refuses lines the library did not write.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../support/child_process.h"
#include "../support/temp_folder.h"
#include "platform/unique_handle.h"
#include "setup/launcher_command.h"

namespace wendrix {
namespace {

void WriteText(const std::wstring& path, const std::wstring& text) {
  UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  DWORD written = 0;
  WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t)), &written, nullptr);
}

// Writes its arguments and its current folder, one per line, into its first
// argument; with a second argument it then waits for the event of that name.
WENDRIX_CHILD_ROLE(installer) {
  std::wstring text;
  for (const std::wstring& arg : args) text += arg + L"\n";
  wchar_t folder[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, folder);
  text += folder;
  if (args.size() > 1) {
    UniqueKernelObject go(CreateEventW(nullptr, TRUE, FALSE, args[1].c_str()));
    WriteText(args[0], text);
    WaitForSingleObject(go.Get(), 60000);
  } else {
    WriteText(args[0], text);
  }
  return 0;
}

std::wstring ReadText(const std::wstring& path) {
  UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file) return L"<missing>";
  std::wstring text(GetFileSize(file.Get(), nullptr) / sizeof(wchar_t), L'\0');
  DWORD read = 0;
  ReadFile(file.Get(), text.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t)), &read, nullptr);
  return text;
}

class LauncherTest : public testing::Test {
 protected:
  LauncherTest() {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    m_self = self;
    m_bin = m_self.substr(0, m_self.rfind(L'\\'));
  }
  // Starts the launcher with the command's line.
  UniqueKernelObject Launch(const std::wstring& line) {
    std::wstring commandLine = L"\"" + m_bin + L"\\wendrixl.exe\" " + line;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    EXPECT_TRUE(CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                               &process));
    CloseHandle(process.hThread);
    return UniqueKernelObject(process.hProcess);
  }
  static DWORD ExitCode(const UniqueKernelObject& process) {
    EXPECT_EQ(WaitForSingleObject(process.Get(), 60000), WAIT_OBJECT_0);
    DWORD code = 0;
    GetExitCodeProcess(process.Get(), &code);
    return code;
  }
  // Waits for a child's record to appear.
  static std::wstring Awaited(const std::wstring& path) {
    for (int attempt = 0; attempt < 600 && GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES; ++attempt)
      Sleep(50);
    Sleep(50);  // the writer closes the file
    return ReadText(path);
  }
  std::wstring Role(const std::wstring& role, const std::wstring& rest) const {
    return L"--child-role " + role + L" " + rest;
  }

  test::TempFolder m_temp;
  std::wstring m_self, m_bin;
};

// It waits for the process it was given first, then runs the file in its
// folder with its parameters, holding the entry's mutex while the file runs,
// and starts the program to follow.
TEST_F(LauncherTest, WaitsForTheCallerThenRunsTheFileUnderTheMutexAndTheProgramToFollow) {
  const std::wstring first = m_temp.File(L"first.txt"), out = m_temp.File(L"ran here.txt"),
                     after = m_temp.File(L"after.txt");
  UniqueKernelObject callerGo(CreateEventW(nullptr, TRUE, FALSE, L"LauncherTest_Caller"));
  UniqueKernelObject go(CreateEventW(nullptr, TRUE, FALSE, L"LauncherTest_Go"));
  test::ChildProcess caller;
  ASSERT_TRUE(caller.Start(L"installer", {first, L"LauncherTest_Caller"}));
  Awaited(first);

  LauncherCommand command;
  command.processId = static_cast<std::int32_t>(caller.Id());
  command.settleMs = 100;
  command.file = m_self;
  command.parameters = Role(L"installer", L"\"" + out + L"\" LauncherTest_Go \"say \\\"hi\\\"\"");
  command.mutexName = L"Installing_LauncherTest";
  command.afterProgram = m_self;
  command.afterParameters = Role(L"installer", L"\"" + after + L"\"");
  const UniqueKernelObject launcher = Launch(FormatLauncherCommand(command));
  Sleep(1000);
  EXPECT_EQ(ReadText(out), L"<missing>");  // the caller still runs
  SetEvent(callerGo.Get());
  EXPECT_EQ(Awaited(out), out + L"\nLauncherTest_Go\nsay \"hi\"\n" + m_bin);

  UniqueKernelObject mutex(OpenMutexW(SYNCHRONIZE, FALSE, L"Installing_LauncherTest"));
  ASSERT_TRUE(mutex);
  EXPECT_EQ(WaitForSingleObject(mutex.Get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));  // held while it runs
  SetEvent(go.Get());
  EXPECT_EQ(ExitCode(launcher), 0u);
  EXPECT_EQ(WaitForSingleObject(mutex.Get(), 0), WAIT_OBJECT_0);  // released, not abandoned
  ReleaseMutex(mutex.Get());
  EXPECT_NE(Awaited(after), L"<missing>");
}

TEST_F(LauncherTest, RefusesForeignLinesAndReportsAFileThatDoesNotStart) {
  EXPECT_EQ(ExitCode(Launch(L"/q setup.exe")), static_cast<DWORD>(E_INVALIDARG));

  const std::wstring after = m_temp.File(L"after.txt");
  LauncherCommand command;
  command.file = m_temp.File(L"missing.exe");
  command.mutexName = L"Installing_LauncherTest_Missing";
  command.afterProgram = m_self;
  command.afterParameters = Role(L"installer", L"\"" + after + L"\"");
  EXPECT_EQ(ExitCode(Launch(FormatLauncherCommand(command))), static_cast<DWORD>(0x80070002));
  EXPECT_NE(Awaited(after), L"<missing>");  // the program to follow starts all the same
}

}  // namespace
}  // namespace wendrix

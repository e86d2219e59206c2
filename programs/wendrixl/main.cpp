// wendrixl.exe, the product's launcher. The library copies it into a
// temporary folder and starts the copy with one command line of twelve
// values (setup/launcher_command.h), so that the library itself, or the
// files it is about to replace, need not stay in use while an installer runs.
//
// In order: it takes the named mutex (position 12) and holds it until the
// file has run, so a later run of the library can wait for this installer
// by that name; it waits for the process of position 2 to end and then
// pauses for position 3's milliseconds; it runs the file of position 4 with
// the parameters of position 5 in the file's folder and, with mode bit 2,
// waits for it up to position 6's milliseconds; then it starts the program
// of position 8 with the parameters of position 9, whatever the file did.
//
// Exit code: 0 once the file was started (its own exit code is not
// examined), E_INVALIDARG for a command line the library did not write,
// or the Windows error of the failed start as an HRESULT. With mode bit 1
// a failure is also shown to the user.
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "setup/launcher_command.h"

namespace {

using wendrix::LauncherCommand;

// The command line after the program's own name (quoted or one word).
const wchar_t* Arguments(const wchar_t* line) {
  if (*line == L'"') {
    ++line;
    while (*line && *line != L'"') ++line;
    if (*line) ++line;
  } else {
    while (*line && *line != L' ' && *line != L'\t') ++line;
  }
  while (*line == L' ' || *line == L'\t') ++line;
  return line;
}

class OwnedMutex {
 public:
  explicit OwnedMutex(const std::wstring& name) {
    if (name.empty()) return;
    m_handle = CreateMutexW(nullptr, FALSE, name.c_str());
    // Another launcher of the same entry may hold it: this run waits its turn.
    if (m_handle && WaitForSingleObject(m_handle, INFINITE) == WAIT_FAILED) {
      CloseHandle(m_handle);
      m_handle = nullptr;
    }
  }
  OwnedMutex(const OwnedMutex&) = delete;
  OwnedMutex& operator=(const OwnedMutex&) = delete;
  ~OwnedMutex() {
    if (!m_handle) return;
    ReleaseMutex(m_handle);
    CloseHandle(m_handle);
  }

 private:
  HANDLE m_handle = nullptr;
};

void WaitForProcess(const LauncherCommand& command) {
  if (command.processId == 0) return;
  // A process that is gone already cannot be opened: nothing to wait for.
  if (HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(command.processId))) {
    WaitForSingleObject(process, INFINITE);
    CloseHandle(process);
  }
  Sleep(command.settleMs);
}

HRESULT Start(const std::wstring& file, const std::wstring& parameters, HANDLE* process) {
  std::wstring folder = file;
  const std::size_t slash = folder.find_last_of(L"\\/");
  folder.resize(slash == std::wstring::npos ? 0 : slash);
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof(info);
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
  info.lpFile = file.c_str();
  info.lpParameters = parameters.empty() ? nullptr : parameters.c_str();
  info.lpDirectory = folder.empty() ? nullptr : folder.c_str();
  info.nShow = SW_SHOWNORMAL;
  if (!ShellExecuteExW(&info)) {
    const DWORD error = GetLastError();
    return HRESULT_FROM_WIN32(error ? error : ERROR_FILE_NOT_FOUND);
  }
  if (process) *process = info.hProcess;
  else if (info.hProcess) CloseHandle(info.hProcess);
  return S_OK;
}

HRESULT RunFile(const LauncherCommand& command) {
  const OwnedMutex running(command.mutexName);
  WaitForProcess(command);
  HANDLE process = nullptr;
  const HRESULT hr = Start(command.file, command.parameters, &process);
  if (process) {
    if (command.mode & LauncherCommand::kLauncherWaitForFile) WaitForSingleObject(process, command.fileWaitMs);
    CloseHandle(process);
  }
  return hr;
}

void ShowFailure(const LauncherCommand& command, HRESULT hr) {
  wchar_t* text = nullptr;
  FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                 static_cast<DWORD>(hr), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  const std::wstring message = L"Could not run\n" + command.file + L"\n\n" + (text ? text : L"");
  if (text) LocalFree(text);
  MessageBoxW(nullptr, message.c_str(), L"Wendrix", MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  const auto command = wendrix::ParseLauncherCommand(Arguments(GetCommandLineW()));
  if (!command) return static_cast<int>(E_INVALIDARG);
  const HRESULT hr = RunFile(*command);
  if (FAILED(hr) && (command->mode & LauncherCommand::kLauncherInteractive)) ShowFailure(*command, hr);
  if (!command->afterProgram.empty()) Start(command->afterProgram, command->afterParameters, nullptr);
  return static_cast<int>(hr);
}

// wendrix.exe, the product's main program: the user interface, the
// scheduler, publisher data files opened from the shell and the wallet's
// work.
//
// Command lines and exit codes:
//   "/p:PUBLISHER" "/g:GROUP" "/i:ITEM" /f:0xFLAGS "/x:COMMAND" "/u:FOLDER"
//       (any of them, in any order; texts quoted whole with "" for a quote
//       inside, as WendrixDisplayEx writes them) the main window, through
//       WendrixDisplayEx with those values and display flag 0x400, in this
//       process until it closes: 0x4 opens it and starts a check, 0x40 All
//       Items, 0x80 Wallet, 0x100 Options, 0x200 About, 0x800 History. A
//       main window that runs already takes the request instead. The result
//       is the exit code.
//   /s, /sf, -s (the startup entry's form), -sf
//       the scheduler (scheduler_window.h); 0, or 1 when its window cannot
//       be created.
//   /l:PATH   (the open command of ".wx-cnf" files, quoted whole)
//       WendrixLoadFile(PATH, no window, 0); its result is the exit code.
//   /d:ID ["/x:COMMAND"] ["/u:FOLDER"]
//       runs the wallet entry ID in this process (WendrixWallet operation 0),
//       which also tells a waiting application through the entry's
//       "_Confirmed" or "_Unconfirmed" event whether the user accepted its
//       deferred installation; its result is the exit code.
//   no argument
//       with pending request records: the main window takes them (deleting
//       each), shows their items in the Wallet view and downloads or
//       installs them through its queue, while the wallet is resumed
//       (WendrixWallet operation 1) once the window is ready; the window's
//       result is the exit code. Without records: the wallet is resumed and
//       its result is the exit code.
//   anything else
//       a message that the command line is not understood; exit code
//       0x80070057 (E_INVALIDARG).
#include <windows.h>
#include <shellapi.h>

#include <cwchar>
#include <cstdlib>
#include <string_view>
#include <string>
#include <vector>

#include "core/string_util.h"
#include "platform/unique_handle.h"
#include "registration/main_window.h"
#include "update/display_request.h"
#include "wallet/request_record.h"
#include "scheduler_window.h"
#include "wendrix.h"

namespace {

constexpr wchar_t kLoadFileSwitch[] = L"/l:";
constexpr wchar_t kEntrySwitch[] = L"/d:";
constexpr wchar_t kCommandSwitch[] = L"/x:";
constexpr wchar_t kFolderSwitch[] = L"/u:";

// The text after `prefix` when `arg` begins with it (ignoring case).
const wchar_t* After(const std::wstring& arg, const wchar_t* prefix) {
  const std::size_t length = std::wcslen(prefix);
  if (arg.size() < length || !wendrix::CStringUtil::EqualsNoCase(std::wstring_view(arg).substr(0, length), prefix))
    return nullptr;
  return arg.c_str() + length;
}

int RunEntry(const std::vector<std::wstring>& args) {
  const wchar_t* id = After(args.front(), kEntrySwitch);
  const wchar_t* command = nullptr;
  const wchar_t* folder = nullptr;
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (const wchar_t* text = After(args[i], kCommandSwitch)) command = text;
    else if (const wchar_t* text = After(args[i], kFolderSwitch)) folder = text;
  }
  return static_cast<int>(WendrixWallet(WENDRIX_WALLET_RUN_ENTRY, 0, id, command, folder));
}

constexpr const wchar_t* kDisplaySwitches[] = {L"/p:", L"/g:", L"/i:", L"/f:", L"/x:", L"/u:"};
// How long the resume waits for the main window to take the request records.
constexpr int kReadyChecks = 200;
constexpr DWORD kReadyPause = 100;

bool IsDisplaySwitch(const std::wstring& arg) {
  for (const wchar_t* prefix : kDisplaySwitches)
    if (After(arg, prefix)) return true;
  return false;
}

// The command line after the program's name, which Windows quotes whole
// when it holds blanks.
std::wstring_view ParametersOf(std::wstring_view line) {
  std::size_t at = 0;
  if (!line.empty() && line[0] == L'"') {
    at = line.find(L'"', 1);
    at = at == std::wstring_view::npos ? line.size() : at + 1;
  } else {
    while (at < line.size() && line[at] != L' ' && line[at] != L'\t') ++at;
  }
  return line.substr(at);
}

// The display request of the command line; WendrixDisplayEx runs it here.
int RunDisplay() {
  std::wstring texts[6];  // publisher, group, item, flags, command line, current directory
  bool given[6] = {};
  for (const std::wstring& arg : wendrix::ReadQuotedParameters(ParametersOf(GetCommandLineW())))
    for (int i = 0; i < 6; ++i)
      if (const wchar_t* text = After(arg, kDisplaySwitches[i])) {
        texts[i] = text;
        given[i] = true;
      }
  const UINT32 flags = static_cast<UINT32>(std::wcstoul(texts[3].c_str(), nullptr, 16)) | WENDRIX_DISPLAY_IN_PROCESS;
  auto text = [&](int i) { return given[i] && !texts[i].empty() ? texts[i].c_str() : nullptr; };
  return static_cast<int>(WendrixDisplayEx(nullptr, text(0), text(1), text(2), flags, text(4), text(5)));
}

// The resume hands pending request records to a new main program while
// one waits, so it runs once this one's window has taken them: that window
// answers WM_APP only when ready. `windowDone` (an event) is signalled when
// the window has closed, ready or not.
DWORD WINAPI ResumeOnceReady(void* windowDone) {
  for (int check = 0; check < kReadyChecks; ++check) {
    DWORD_PTR answer = 0;
    HWND window = FindWindowW(wendrix::kMainWindowClass, nullptr);
    if (window && SendMessageTimeoutW(window, WM_APP, 0, 0, SMTO_ABORTIFHUNG, 1000, &answer) && answer) break;
    if (WaitForSingleObject(static_cast<HANDLE>(windowDone), kReadyPause) == WAIT_OBJECT_0) break;
  }
  return static_cast<DWORD>(WendrixWallet(WENDRIX_WALLET_RESUME, 0, nullptr, nullptr, nullptr));
}

int RunWithoutArguments() {
  if (!wendrix::RequestRecordPending())
    return static_cast<int>(WendrixWallet(WENDRIX_WALLET_RESUME, 0, nullptr, nullptr, nullptr));
  const wendrix::UniqueKernelObject windowDone(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  const wendrix::UniqueKernelObject resume(
      windowDone ? CreateThread(nullptr, 0, &ResumeOnceReady, windowDone.Get(), 0, nullptr) : nullptr);
  const HRESULT shown = WendrixDisplayEx(nullptr, nullptr, nullptr, nullptr, WENDRIX_DISPLAY_IN_PROCESS, nullptr, nullptr);
  if (resume) {
    SetEvent(windowDone.Get());
    WaitForSingleObject(resume.Get(), INFINITE);
  } else {
    WendrixWallet(WENDRIX_WALLET_RESUME, 0, nullptr, nullptr, nullptr);
  }
  return static_cast<int>(shown);
}

// Dialogs drawn for the monitor they are on: per-monitor awareness where
// the system has it, else system awareness.
void BecomeDpiAware() {
  using SetContext = BOOL(WINAPI*)(HANDLE);
  HMODULE user = GetModuleHandleW(L"user32.dll");
  auto setContext = user ? reinterpret_cast<SetContext>(
                               reinterpret_cast<void*>(GetProcAddress(user, "SetProcessDpiAwarenessContext")))
                         : nullptr;
  // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2
  if (!setContext || !setContext(reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4)))) SetProcessDPIAware();
}

std::vector<std::wstring> Arguments() {
  std::vector<std::wstring> args;
  int count = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!argv) return args;
  for (int i = 1; i < count; ++i) args.emplace_back(argv[i]);
  LocalFree(argv);
  return args;
}

bool IsSchedulerSwitch(const std::wstring& arg) {
  using wendrix::CStringUtil;
  for (const wchar_t* form : {L"/s", L"-s", L"/sf", L"-sf"})
    if (CStringUtil::EqualsNoCase(arg, form)) return true;
  return false;
}

int NotUnderstood() {
  MessageBoxW(nullptr, GetCommandLineW(), L"Wendrix", MB_OK | MB_ICONWARNING);
  return static_cast<int>(E_INVALIDARG);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  const std::vector<std::wstring> args = Arguments();
  BecomeDpiAware();
  if (args.empty()) return RunWithoutArguments();
  const std::wstring& first = args.front();
  if (IsSchedulerSwitch(first)) return wendrix::program::RunScheduler(instance);
  if (const wchar_t* path = After(first, kLoadFileSwitch)) return static_cast<int>(WendrixLoadFile(path, nullptr, 0));
  if (After(first, kEntrySwitch)) return RunEntry(args);
  if (IsDisplaySwitch(first)) return RunDisplay();
  return NotUnderstood();
}

// wendrix.exe, the product's main program. This version runs the scheduler
// and opens publisher data files; the user interface and the wallet work of
// the other command lines are not part of it yet.
//
// Command lines and exit codes:
//   /s, /sf, -s (the startup entry's form), -sf
//       the scheduler (scheduler_window.h); 0, or 1 when its window cannot
//       be created.
//   /l:PATH   (the open command of ".wx-cnf" files, quoted whole)
//       WendrixLoadFile(PATH, no window, 0); its result is the exit code.
//   anything else (no argument, /p:..., /d:..., /f:0x...)
//       a message that this is not available yet; exit code 0x80004001
//       (E_NOTIMPL).
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "core/string_util.h"
#include "scheduler_window.h"
#include "wendrix.h"

namespace {

constexpr wchar_t kLoadFileSwitch[] = L"/l:";

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

int NotAvailableYet() {
  MessageBoxW(nullptr, L"This part of Wendrix is not available yet.", L"Wendrix", MB_OK | MB_ICONINFORMATION);
  return static_cast<int>(E_NOTIMPL);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  const std::vector<std::wstring> args = Arguments();
  if (args.empty()) return NotAvailableYet();
  const std::wstring& first = args.front();
  if (IsSchedulerSwitch(first)) return wendrix::program::RunScheduler(instance);
  if (first.size() >= 3 && wendrix::CStringUtil::EqualsNoCase(first.substr(0, 3), kLoadFileSwitch))
    return static_cast<int>(WendrixLoadFile(first.c_str() + 3, nullptr, 0));
  return NotAvailableYet();
}

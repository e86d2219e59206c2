// wendrix.exe, the product's main program. This version runs the scheduler,
// opens publisher data files and runs the wallet's work; the user interface
// of the other command lines is not part of it yet.
//
// Command lines and exit codes:
//   /s, /sf, -s (the startup entry's form), -sf
//       the scheduler (scheduler_window.h); 0, or 1 when its window cannot
//       be created.
//   /l:PATH   (the open command of ".wx-cnf" files, quoted whole)
//       WendrixLoadFile(PATH, no window, 0); its result is the exit code.
//   /d:ID ["/x:COMMAND"] ["/u:FOLDER"]
//       runs the wallet entry ID in this process (WendrixWallet operation 0);
//       its result is the exit code.
//   no argument
//       takes the pending request records (reading and deleting each;
//       showing them needs the user interface) and resumes the wallet (WendrixWallet operation
//       1); its result is the exit code.
//   anything else (/p:..., /f:0x...)
//       a message that this is not available yet; exit code 0x80004001
//       (E_NOTIMPL).
#include <windows.h>
#include <shellapi.h>

#include <cwchar>
#include <string>
#include <vector>

#include "core/string_util.h"
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

// Takes every pending request record, lowest number first. The user
// interface that would show them is not part of this version, so each is
// read (which proves it whole) and dropped.
void TakeRequestRecords() {
  wendrix::RequestRecord record;
  for (bool found = true; found;)
    if (FAILED(wendrix::TakeRequestRecord(record, found))) return;
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

int NotAvailableYet() {
  MessageBoxW(nullptr, L"This part of Wendrix is not available yet.", L"Wendrix", MB_OK | MB_ICONINFORMATION);
  return static_cast<int>(E_NOTIMPL);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  const std::vector<std::wstring> args = Arguments();
  if (args.empty()) {
    TakeRequestRecords();
    return static_cast<int>(WendrixWallet(WENDRIX_WALLET_RESUME, 0, nullptr, nullptr, nullptr));
  }
  const std::wstring& first = args.front();
  if (IsSchedulerSwitch(first)) return wendrix::program::RunScheduler(instance);
  if (const wchar_t* path = After(first, kLoadFileSwitch)) return static_cast<int>(WendrixLoadFile(path, nullptr, 0));
  if (After(first, kEntrySwitch)) return RunEntry(args);
  return NotAvailableYet();
}

#include "registration/startup_entry.h"

#include <windows.h>
#include <shlobj.h>

#include "frame/product_folder.h"
#include "platform/known_folders.h"
#include "platform/registry.h"
#include "platform/system_facts.h"
#include "platform/unique_handle.h"
#include "registration/publisher_store.h"
#include "setup/journal.h"

namespace wendrix {
namespace {

constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kRunValue[] = L"KestmoorWendrix";
constexpr wchar_t kShortcutName[] = L"Wendrix Scheduler";

HKEY RootOf(StartupScope scope) noexcept {
  return scope == StartupScope::kAllUsers ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

// The product is a 32-bit program: on x64 its entries live in the 32-bit view.
REGSAM RunView() noexcept {
  const auto arch = NativeProcessorArchitecture();
  return arch && *arch == PROCESSOR_ARCHITECTURE_AMD64 ? KEY_WOW64_32KEY : 0;
}

// Windows 95, 98 and Me start programs only through the all-users entry.
bool IsWindows9x() noexcept { return (GetVersion() & 0x80000000u) != 0; }

}  // namespace

HRESULT StartupCommand(std::wstring& command) {
  // A publisher's setup may register before the product's own setup has
  // installed the programs: the entry names where the program will be.
  std::wstring program;
  RETURN_IF_FAILED(GetProductPath(kInfoMainProgram | kInfoAcceptDefault, program));
  command = L"\"" + program + L"\" -s";
  return S_OK;
}

HRESULT SetRunEntry(StartupScope scope, CJournal* journal) {
  std::wstring command;
  RETURN_IF_FAILED(StartupCommand(command));
  const REGSAM view = RunView();
  if (journal) RETURN_IF_FAILED(journal->NoteValueToSet(RootOf(scope), kRunKey, kRunValue, view));
  RegistryKey key;
  LONG error = key.Create(RootOf(scope), kRunKey, KEY_SET_VALUE, view);
  if (error == ERROR_SUCCESS) error = key.WriteString(kRunValue, command);
  return error == ERROR_SUCCESS ? S_OK : HResultFromWin32(error);
}

bool HasRunEntry(StartupScope scope) {
  RegistryKey key;
  return key.Open(RootOf(scope), kRunKey, KEY_QUERY_VALUE, RunView()) == ERROR_SUCCESS && key.HasValue(kRunValue);
}

HRESULT DeleteRunEntry(StartupScope scope, CJournal* journal) {
  if (!HasRunEntry(scope)) return S_OK;
  const REGSAM view = RunView();
  if (journal) RETURN_IF_FAILED(journal->NoteValueToSet(RootOf(scope), kRunKey, kRunValue, view));
  RegistryKey key;
  LONG error = key.Open(RootOf(scope), kRunKey, KEY_SET_VALUE, view);
  if (error == ERROR_SUCCESS) error = key.DeleteValue(kRunValue);
  return error == ERROR_SUCCESS ? S_OK : HResultFromWin32(error);
}

HRESULT OldStartupShortcutPath(StartupScope scope, std::wstring& path) {
  const int csidl = scope == StartupScope::kAllUsers && !IsWindows9x() ? CSIDL_COMMON_STARTUP : CSIDL_STARTUP;
  std::wstring folder;
  if (!KnownFolderPath(csidl | CSIDL_FLAG_CREATE, folder)) return E_FAIL;
  std::wstring full = folder + L"\\" + kShortcutName + L".lnk";
  if (full.size() >= MAX_PATH) return HResultFromWin32(ERROR_BUFFER_OVERFLOW);
  path = std::move(full);
  return S_OK;
}

HRESULT DeleteOldStartupShortcut(StartupScope scope, CJournal* journal) {
  std::wstring path;
  RETURN_IF_FAILED(OldStartupShortcutPath(scope, path));
  return DeleteFileNoted(path, journal);
}

HRESULT UpdateStartupEntry(const CPublisherStore& store, StartupScope scope, bool force, CJournal* journal) {
  bool perUser = false, allUsers = false;
  for (const PublisherRecord& r : store.Records()) {
    if (IsSelfPublisher(r)) continue;
    perUser |= (r.flags & (kPublisherCountedCurrentUser | kPublisherCountedOlderCurrentUser)) != 0;
    allUsers |= (r.flags & (kPublisherCountedAllUsers | kPublisherCountedOlderAllUsers)) != 0;
  }
  RETURN_IF_FAILED(DeleteOldStartupShortcut(scope, journal));
  StartupScope entry = scope;
  bool needed = scope == StartupScope::kAllUsers ? allUsers : perUser;
  if (IsWindows9x()) {
    entry = StartupScope::kAllUsers;
    needed = perUser || allUsers;
  }
  if (!needed) return DeleteRunEntry(entry, journal);
  if (HasRunEntry(entry) && !force) return S_OK;
  return SetRunEntry(entry, journal);
}

HRESULT ReplacePerUserStartupShortcut() {
  std::wstring path;
  RETURN_IF_FAILED(OldStartupShortcutPath(StartupScope::kCurrentUser, path));
  if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return S_OK;
  RETURN_LAST_ERROR_IF(!DeleteFileW(path.c_str()));
  return SetRunEntry(StartupScope::kCurrentUser, nullptr);
}

}  // namespace wendrix

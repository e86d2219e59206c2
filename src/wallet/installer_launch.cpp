#include "wallet/installer_launch.h"

#include "platform/message_wait.h"
#include "platform/unique_handle.h"
#include "setup/launcher.h"

namespace wendrix {
namespace {

constexpr std::size_t kLauncherPathLimit = 245;
constexpr wchar_t kLauncherName[] = L"wendrixl.exe";

std::wstring StopEventName(const std::wstring& id) { return L"Stop_Installer_" + id; }
std::wstring MutexName(const std::wstring& id) { return L"Installing_" + id; }

HRESULT CreateFolderWithParent(const std::wstring& folder) {
  const std::wstring parent = folder.substr(0, folder.find_last_of(L'\\', folder.size() - 2) + 1);
  for (const std::wstring& step : {parent, folder})
    if (!CreateDirectoryW(step.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return LastErrorResult();
  return S_OK;
}

// The launcher lets its mutex go a moment before its process ends, and its
// program file cannot be deleted while it runs: the deletion is tried again
// for a few seconds.
constexpr int kDeleteAttempts = 50;
constexpr DWORD kDeleteRetryMs = 100;

void DeleteLauncherCopy(const std::wstring& entryId) {
  std::wstring folder;
  if (FAILED(EntryLauncherFolder(entryId, folder))) return;
  const std::wstring copy = folder + kLauncherName;
  for (int attempt = 0; attempt < kDeleteAttempts; ++attempt) {
    if (DeleteFileW(copy.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND) break;
    Sleep(kDeleteRetryMs);
  }
  RemoveDirectoryW(folder.c_str());
}

// Waits for `done` or the entry's stop event, and cleans up unless stopped.
HRESULT WaitForLauncherOrStop(const std::wstring& entryId, HANDLE done) {
  UniqueKernelObject stop(CreateEventW(nullptr, TRUE, FALSE, StopEventName(entryId).c_str()));
  RETURN_LAST_ERROR_IF(!stop);
  const HANDLE handles[] = {done, stop.Get()};
  const DWORD result = WaitDispatchingMessages(handles);
  if (result == WAIT_OBJECT_0 + 1) return kInstallerWaitStopped;
  if (result == WAIT_FAILED) return LastErrorResult();
  DeleteLauncherCopy(entryId);
  return S_OK;
}

}  // namespace

HRESULT EntryLauncherFolder(const std::wstring& entryId, std::wstring& folder) {
  wchar_t temp[MAX_PATH + 1];
  const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
  if (length == 0 || length > MAX_PATH) return E_FAIL;
  std::wstring result = temp;
  if (result.back() != L'\\') result += L'\\';
  result += L"Wendrix Launcher\\" + entryId + L"\\";
  if (result.size() + std::size(kLauncherName) - 1 >= kLauncherPathLimit)
    return HResultFromWin32(ERROR_INSUFFICIENT_BUFFER);
  folder = std::move(result);
  return S_OK;
}

HRESULT RunThroughLauncher(const std::wstring& entryId, const std::wstring& file, const std::wstring& parameters,
                           HWND parent) {
  std::wstring folder, copy;
  RETURN_IF_FAILED(EntryLauncherFolder(entryId, folder));
  RETURN_IF_FAILED(CreateFolderWithParent(folder));
  RETURN_IF_FAILED(CopyLauncherInto(folder, copy));
  LauncherCommand command;
  command.file = file;
  command.parameters = parameters;
  command.mutexName = MutexName(entryId);
  UniqueKernelObject launcher;
  RETURN_IF_FAILED(StartLauncher(copy, command, parent, launcher));
  return WaitForLauncherOrStop(entryId, launcher.Get());
}

HRESULT WaitForEntryLauncher(const std::wstring& entryId) {
  UniqueKernelObject mutex(CreateMutexW(nullptr, FALSE, MutexName(entryId).c_str()));
  RETURN_LAST_ERROR_IF(!mutex);
  const HRESULT hr = WaitForLauncherOrStop(entryId, mutex.Get());
  // Gaining the mutex only told us the launcher let it go.
  if (hr == S_OK) ReleaseMutex(mutex.Get());
  return hr;
}

}  // namespace wendrix

#include "install/finalization.h"

#include <windows.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "frame/product_folder.h"
#include "frame/product_keys.h"
#include "install/com_classes.h"
#include "install/install_steps.h"
#include "install/product_files.h"
#include "install/product_scope.h"
#include "platform/file_facts.h"
#include "platform/registry.h"
#include "platform/unique_handle.h"
#include "registration/data_file_registration.h"
#include "registration/integration_sync.h"
#include "registration/publisher_store.h"
#include "registration/startup_entry.h"
#include "registration/step_location.h"
#include "registration/system_integrations.h"
#include "registration/user_counters.h"
#include "setup/file_in_use.h"
#include "setup/journal.h"

namespace wendrix {
namespace {

constexpr wchar_t kUninstallKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kestmoor Wendrix";
constexpr wchar_t kTasksFileName[] = L"wendrixcpl.xml";

bool RegisteredByProgram(const PublisherRecord& record) noexcept {
  for (const std::uint32_t count : record.counts)
    if (count) return true;
  return false;
}

// How many other users keep publishers registered for themselves: the user
// counters count this user too while the user has such registrations.
std::uint32_t OtherUsersWithPublishers(const CPublisherStore& store) {
  UserCounts counts;
  if (FAILED(ReadUserCounts(counts))) return 0;
  bool ordinary = false, own = false;
  for (const PublisherRecord& record : store.Records()) {
    if (!(record.flags & kPublisherCountedCurrentUser)) continue;
    ((record.flags & kPublisherUserRegistered) ? own : ordinary) = true;
  }
  const std::uint32_t others = (counts.count > (ordinary ? 1u : 0u) ? counts.count - (ordinary ? 1u : 0u) : 0u) +
                               (counts.count2 > (own ? 1u : 0u) ? counts.count2 - (own ? 1u : 0u) : 0u);
  return others;
}

HRESULT DeleteKeyTree(HKEY root, const std::wstring& path, REGSAM view, CJournal* journal) {
  if (journal) RETURN_IF_FAILED(journal->NoteKeyTreeToDelete(root, path, view));
  return HResultFromWin32(DeleteRegistryTree(root, path, view));
}

// Deletes a file, noted first; one in use goes at the next restart.
HRESULT DeleteProductFile(const std::wstring& path, CJournal* journal, bool& restartNeeded) {
  if (!SomethingAt(path)) return S_OK;
  HRESULT error = HResultFromWin32(ERROR_SHARING_VIOLATION);
  // A file held so that it cannot be read has no backup to note; it stays
  // until the restart, and the journal notes the pending deletion instead.
  if (!HeldByAnotherProcess(path)) {
    if (journal) RETURN_IF_FAILED(journal->NoteFileToDelete(path));
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (DeleteFileW(path.c_str())) return S_OK;
    error = LastErrorResult();
  }
  if (journal) RETURN_IF_FAILED(journal->NotePendingRenames());
  if (!ReplaceAtRestart(path.c_str(), nullptr)) return error;
  restartNeeded = true;
  return S_OK;
}

// Removes a folder with what is left in it. Files still in use stay until
// the restart that deletes them; the folder then stays too.
void RemoveTree(const std::wstring& folder) {
  WIN32_FIND_DATAW data;
  UniqueFind find(FindFirstFileW((folder + L"\\*").c_str(), &data));
  if (find) {
    do {
      const std::wstring name = data.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring path = folder + L"\\" + name;
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(path);
      } else {
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(path.c_str());
      }
    } while (FindNextFileW(find.Get(), &data));
  }
  find.Reset();
  RemoveDirectoryW(folder.c_str());
}

HRESULT RemoveFolder(std::wstring folder, CJournal* journal) {
  while (!folder.empty() && folder.back() == L'\\') folder.pop_back();
  if (folder.empty() || !SomethingAt(folder)) return S_OK;
  if (journal) RETURN_IF_FAILED(journal->NoteFolderTreeToDelete(folder, false));
  RemoveTree(folder);
  return S_OK;
}

// Removes the system integrations and COM classes of one scope.
HRESULT RemoveIntegrations(ProductScope scope, CJournal* journal) {
  const HKEY root = RootOf(scope);
  const REGSAM view32 = ProductRegistryView();
  for (const ComTable* table : {&CompanionClasses(), &ControlClasses()}) {
    RETURN_IF_FAILED(UnregisterComClasses(*table, root, view32, journal));
    if (IsSystem64()) RETURN_IF_FAILED(UnregisterComClasses(*table, root, KEY_WOW64_64KEY, journal));
  }
  const StartupScope startup = scope == ProductScope::kMachine ? StartupScope::kAllUsers : StartupScope::kCurrentUser;
  const RegisteredScopes none;
  RETURN_IF_FAILED(UpdateFileType(none, startup, journal));
  SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
  RETURN_IF_FAILED(DeleteRunEntry(startup, journal));
  RETURN_IF_FAILED(DeleteOldStartupShortcut(startup, journal));
  RETURN_IF_FAILED(UpdateControlPanelEntry(none, startup, journal));
  return DeleteKeyTree(root, kUninstallKey, view32, journal);
}

HRESULT RemoveProduct(CJournal* journal, StopProgramsCall stop, std::uint32_t& location) {
  // Where the files are must be known before the keys that say so go.
  std::wstring folder, folder64;
  const bool haveFolder = SUCCEEDED(FindProductFolder(kInfoFolder, folder));
  const bool haveFolder64 = IsSystem64() && SUCCEEDED(FindProductFolder(kInfoFolder | kInfo64Bit, folder64));

  if (stop) RETURN_IF_FAILED(AtStep(location, kAtFinalizeStop, stop(0)));
  for (const ProductScope scope : {ProductScope::kMachine, ProductScope::kUser})
    RETURN_IF_FAILED(RemoveIntegrations(scope, journal));

  bool restartNeeded = false;
  if (haveFolder) {
    for (const ProductFile& file : ProductFiles())
      RETURN_IF_FAILED(DeleteProductFile(folder + L"\\" + file.name, journal, restartNeeded));
    RETURN_IF_FAILED(DeleteProductFile(folder + L"\\" + kTasksFileName, journal, restartNeeded));
    if (!restartNeeded) RETURN_IF_FAILED(RemoveFolder(folder, journal));
  }
  if (haveFolder64) {
    for (const ProductFile& file : ProductFiles64())
      RETURN_IF_FAILED(DeleteProductFile(folder64 + L"\\" + file.name, journal, restartNeeded));
    // The 64-bit folder goes when nothing else is in it.
    if (journal) RETURN_IF_FAILED(journal->NoteFolderToRemove(folder64));
    RemoveDirectoryW(folder64.c_str());
  }
  for (const ProductScope scope : {ProductScope::kUser, ProductScope::kMachine}) {
    std::wstring shared;
    if (SUCCEEDED(SharedDataFolder(scope, shared))) RETURN_IF_FAILED(RemoveFolder(shared, journal));
  }
  for (const HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
    RETURN_IF_FAILED(DeleteKeyTree(root, kProductKey, ProductRegistryView(), journal));
    if (IsSystem64()) RETURN_IF_FAILED(DeleteKeyTree(root, kProductKey, KEY_WOW64_64KEY, journal));
  }
  return restartNeeded ? S_FALSE : S_OK;
}

HRESULT Finalize(const wchar_t* journalFolder, std::uint32_t flags, StopProgramsCall stop, std::uint32_t& location) {
  CJournal journalFile;
  CJournal* journal = nullptr;
  if (journalFolder && *journalFolder) {
    RETURN_IF_FAILED(journalFile.Open(journalFolder));
    journal = &journalFile;
  }
  bool remove = false;
  {
    CPublisherStore store;
    RETURN_IF_FAILED(store.Open(true, journal));
    remove = ProductNoLongerNeeded(store, OtherUsersWithPublishers(store), flags);
  }
  if (remove) return RemoveProduct(journal, stop, location);

  for (const StoreScope scope : {kScopeAllUsers, kScopeCurrentUser}) {
    const IntegrationSteps steps{kAtOpenStoreAfter, kAtStartupEntry, kAtControlPanelEntry, kAtUninstallEntry,
                                 kAtFileType};
    RETURN_IF_FAILED(BringIntegrationsInLine(scope, false, journal, steps, location));
  }
  AnnounceRegistrationChange();
  return S_OK;
}

}  // namespace

bool ProductNoLongerNeeded(const CPublisherStore& store, std::uint32_t otherUsersCount, std::uint32_t flags) {
  const bool ignoreUserOnly = (flags & kFinalizeIgnoreUserOnly) != 0;
  std::uint32_t counted = 0, programs = 0;
  for (const PublisherRecord& record : store.Records()) {
    if (IsSelfPublisher(record)) continue;
    const bool byProgram = RegisteredByProgram(record);
    if (byProgram) ++programs;
    if (ignoreUserOnly && !byProgram) continue;
    ++counted;
  }
  return counted == 0 && programs == 0 && (otherUsersCount == 0 || ignoreUserOnly);
}

HRESULT FinalizeProduct(const wchar_t* journalFolder, std::uint32_t flags, StopProgramsCall stop,
                        std::uint32_t& location) {
  location = 0;
  return Finalize(journalFolder, flags, stop, location);
}

}  // namespace wendrix

#include "install/installation.h"

#include <windows.h>
#include <shlobj.h>

#include <string>

#include "frame/installed_copy.h"
#include "frame/module_state.h"
#include "frame/product_folder.h"
#include "frame/product_keys.h"
#include "install/com_classes.h"
#include "install/common_controls_update.h"
#include "install/install_steps.h"
#include "install/product_files.h"
#include "install/product_scope.h"
#include "install/task_file.h"
#include "platform/folder_tree.h"
#include "platform/known_folders.h"
#include "platform/registry.h"
#include "platform/unique_handle.h"
#include "registration/data_file_registration.h"
#include "registration/integration_sync.h"
#include "registration/settings_conversion.h"
#include "registration/step_location.h"
#include "setup/journal.h"
#include "setup/product_stop.h"
#include "wallet/request_record.h"

namespace wendrix {
namespace {

// A product folder: found, its missing folders noted, then made.
HRESULT PrepareFolder(std::uint32_t selector, std::wstring& folder, CJournal* journal, std::uint32_t& location,
                      std::uint32_t unknown, std::uint32_t note, std::uint32_t create) {
  RETURN_IF_FAILED(AtStep(location, unknown, GetProductPath(selector | kInfoAcceptDefault, folder)));
  if (journal) RETURN_IF_FAILED(AtStep(location, note, journal->NotePathToCreate(folder + L"\\")));
  return AtStep(location, create, CreateFolderTree(folder));
}

HRESULT CopyFiles(std::span<const ProductFile> files, const std::wstring& folder, ProductCopy& copy,
                  std::uint32_t& location) {
  for (const ProductFile& file : files) RETURN_IF_FAILED(AtStep(location, file.location, CopyProductFile(file, folder, copy)));
  return S_OK;
}

HRESULT WriteNumber(HKEY root, const wchar_t* key, const wchar_t* name, std::uint32_t number, REGSAM view) {
  RegistryKey opened;
  LONG rc = opened.Create(root, key, KEY_SET_VALUE, view);
  if (rc == ERROR_SUCCESS) rc = opened.WriteDword(name, number);
  return HResultFromWin32(rc);
}

HRESULT WriteText(HKEY root, const wchar_t* key, const wchar_t* name, const std::wstring& text, REGSAM view) {
  RegistryKey opened;
  LONG rc = opened.Create(root, key, KEY_SET_VALUE, view);
  if (rc == ERROR_SUCCESS) rc = opened.WriteString(name, text);
  return HResultFromWin32(rc);
}

// The product's Path in one registry view, its key and value noted first.
HRESULT WritePath(const std::wstring& folder, REGSAM view, CJournal* journal, std::uint32_t& location,
                  std::uint32_t keyStep, std::uint32_t noteStep, std::uint32_t writeStep) {
  if (journal) {
    RETURN_IF_FAILED(AtStep(location, keyStep, journal->NoteKeyToCreate(HKEY_LOCAL_MACHINE, kSettingsKey, view)));
    RETURN_IF_FAILED(AtStep(location, noteStep, journal->NoteValueToSet(HKEY_LOCAL_MACHINE, kSettingsKey, L"Path", view)));
  }
  return AtStep(location, writeStep, WriteText(HKEY_LOCAL_MACHINE, kSettingsKey, L"Path", folder, view));
}

// The folder every user's processes share; Everyone may write in it.
HRESULT PrepareSharedDataFolder(CJournal* journal) {
  std::wstring folder;
  RETURN_IF_FAILED(SharedDataFolder(ProductScope::kMachine, folder));
  if (journal) RETURN_IF_FAILED(journal->NotePathToCreate(folder));
  RETURN_IF_FAILED(CreateFolderTree(folder));
  return GrantFolderAccess(folder, 1);
}

HRESULT RegisterClassesOf(const ComTable& table, const std::wstring& folder, const wchar_t* name, REGSAM view,
                          CJournal* journal) {
  const std::wstring path = folder + L"\\" + name;
  // Classes of a library that is not in place would send COM to nothing.
  if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return S_OK;
  return RegisterComClasses(table, path, HKEY_LOCAL_MACHINE, view, journal);
}

HRESULT Install(const wchar_t* journalFolder, std::uint32_t flags, StopProgramsCall stop, std::uint32_t& location) {
  CJournal journalFile;
  CJournal* journal = nullptr;
  if (journalFolder && *journalFolder) {
    RETURN_IF_FAILED(journalFile.Open(journalFolder));
    journal = &journalFile;
  }
  const bool dialogOpen = FindWindowW(kDialogWindowClass, nullptr) != nullptr;
  const bool schedulerRunning = FindWindowW(kSchedulerWindowClass, nullptr) != nullptr;

  ProductCopy copy;
  copy.sourceFolder = Module().folder;
  copy.journal = journal;
  copy.force = (flags & kInstallForce) != 0;
  copy.library64 = Module().named64;
  copy.stopPrograms = stop;

  std::wstring folder;
  RETURN_IF_FAILED(PrepareFolder(kInfoFolder, folder, journal, location, kAtProductFolderUnknown, kAtProductFolderNote,
                                 kAtProductFolderCreate));
  RETURN_IF_FAILED(CopyFiles(ProductFiles(), folder, copy, location));
  // The system's Unicode layer of Windows 95, 98 and Me is not updated: the
  // library does not run there.
  bool controlsUpdated = false;
  RETURN_IF_FAILED(UpdateCommonControls(copy.sourceFolder, controlsUpdated));
  copy.restartNeeded = copy.restartNeeded || controlsUpdated;
  std::wstring tasksFile, program;
  RETURN_IF_FAILED(AtStep(location, kAtTaskFile, GetProductPath(kInfoControlPanelTasks | kInfoAcceptDefault, tasksFile)));
  RETURN_IF_FAILED(AtStep(location, kAtTaskFile, GetProductPath(kInfoMainProgram | kInfoAcceptDefault, program)));
  RETURN_IF_FAILED(AtStep(location, kAtTaskFile, WriteControlPanelTasks(tasksFile, program, journal)));

  const bool system64 = IsSystem64();
  std::wstring folder64;
  if (system64) {
    RETURN_IF_FAILED(PrepareFolder(kInfoFolder | kInfo64Bit, folder64, journal, location, kAtFolder64Unknown,
                                   kAtFolder64Note, kAtFolder64Create));
    RETURN_IF_FAILED(CopyFiles(ProductFiles64(), folder64, copy, location));
  }

  const REGSAM view32 = ProductRegistryView();
  if (journal)
    RETURN_IF_FAILED(AtStep(location, kAtSizeNote, journal->NoteValueToSet(HKEY_LOCAL_MACHINE, kSettingsKey, L"Size", view32)));
  RETURN_IF_FAILED(AtStep(location, kAtSizeWrite,
                          WriteNumber(HKEY_LOCAL_MACHINE, kSettingsKey, L"Size", static_cast<std::uint32_t>(copy.bytes / 1024), view32)));

  if (!(flags & kInstallSkipRegistry)) {
    RETURN_IF_FAILED(AtStep(location, kAtSettingsKeyNote, CopyNewestSettingsToCurrentKey(journal)));
    RETURN_IF_FAILED(WritePath(folder, view32, journal, location, kAtSettingsKeyNote, kAtPathNote, kAtPathWrite));
    if (system64)
      RETURN_IF_FAILED(WritePath(folder64, KEY_WOW64_64KEY, journal, location, kAtSettingsKeyNote64, kAtPathNote64,
                                 kAtPathWrite64));
    RETURN_IF_FAILED(AtStep(location, kAtSharedDataFolder, PrepareSharedDataFolder(journal)));
  }

  RETURN_IF_FAILED(AtStep(location, kAtCompanionClasses,
                          RegisterClassesOf(CompanionClasses(), folder, L"wendrixc.dll", view32, journal)));
  RETURN_IF_FAILED(AtStep(location, kAtControlClasses,
                          RegisterClassesOf(ControlClasses(), folder, L"wendrixw.ocx", view32, journal)));
  if (system64) {
    RETURN_IF_FAILED(AtStep(location, kAtCompanionClasses,
                            RegisterClassesOf(CompanionClasses(), folder64, L"wendrixc64.dll", KEY_WOW64_64KEY, journal)));
    RETURN_IF_FAILED(AtStep(location, kAtControlClasses,
                            RegisterClassesOf(ControlClasses(), folder64, L"wendrixw64.ocx", KEY_WOW64_64KEY, journal)));
  }

  // The integrations that registered publishers need now name the new files.
  for (const StoreScope scope : {kScopeAllUsers, kScopeCurrentUser}) {
    const IntegrationSteps steps{kAtOpenStoreAfter, kAtStartupEntry, kAtControlPanelEntry, kAtUninstallEntry,
                                 kAtFileType};
    RETURN_IF_FAILED(BringIntegrationsInLine(scope, true, journal, steps, location));
  }
  AnnounceRegistrationChange();

  if (copy.restartNeeded) return S_FALSE;
  // Programs that ran before the installation run the new files now; none
  // are started that did not run.
  if (dialogOpen || schedulerRunning)
    RETURN_IF_FAILED(AtStep(location, dialogOpen ? kAtRestartDialog : kAtRestartScheduler,
                            StartProductPrograms(dialogOpen, &RequestRecordPending)));
  return S_OK;
}

}  // namespace

HRESULT InstallProduct(const wchar_t* journalFolder, std::uint32_t flags, StopProgramsCall stop,
                       std::uint32_t& location) {
  location = 0;
  if (CheckInstalledCopy() == kInstalledNewer) return S_OK;
  return Install(journalFolder, flags, stop, location);
}

}  // namespace wendrix

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

// What the steps of one installation share.
struct Installation {
  CJournal* journal = nullptr;
  std::uint32_t& location;
  ProductCopy copy;
  std::wstring folder, folder64;  // folder64 is empty on 32-bit Windows
  REGSAM view32 = ProductRegistryView();
};

HRESULT CopyFiles(std::span<const ProductFile> files, const std::wstring& folder, Installation& run) {
  for (const ProductFile& file : files)
    RETURN_IF_FAILED(AtStep(run.location, file.location, CopyProductFile(file, folder, run.copy)));
  return S_OK;
}

HRESULT WriteValue(const wchar_t* name, const std::wstring* text, std::uint32_t number, REGSAM view) {
  RegistryKey opened;
  LONG rc = opened.Create(HKEY_LOCAL_MACHINE, kSettingsKey, KEY_SET_VALUE, view);
  if (rc == ERROR_SUCCESS) rc = text ? opened.WriteString(name, *text) : opened.WriteDword(name, number);
  return HResultFromWin32(rc);
}

// The product's Path in one registry view, its key and value noted first.
HRESULT WritePath(const std::wstring& folder, REGSAM view, Installation& run, std::uint32_t keyStep,
                  std::uint32_t noteStep, std::uint32_t writeStep) {
  if (run.journal) {
    RETURN_IF_FAILED(
        AtStep(run.location, keyStep, run.journal->NoteKeyToCreate(HKEY_LOCAL_MACHINE, kSettingsKey, view)));
    RETURN_IF_FAILED(
        AtStep(run.location, noteStep, run.journal->NoteValueToSet(HKEY_LOCAL_MACHINE, kSettingsKey, L"Path", view)));
  }
  return AtStep(run.location, writeStep, WriteValue(L"Path", &folder, 0, view));
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
                          Installation& run, std::uint32_t step) {
  const std::wstring path = folder + L"\\" + name;
  // Classes of a library that is not in place would send COM to nothing.
  if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return S_OK;
  return AtStep(run.location, step, RegisterComClasses(table, path, HKEY_LOCAL_MACHINE, view, run.journal));
}

// Steps 4 to 9: the product files, the system updates and the task file.
HRESULT InstallFiles(Installation& run) {
  RETURN_IF_FAILED(PrepareFolder(kInfoFolder, run.folder, run.journal, run.location, kAtProductFolderUnknown,
                                 kAtProductFolderNote, kAtProductFolderCreate));
  RETURN_IF_FAILED(CopyFiles(ProductFiles(), run.folder, run));
  // The system's Unicode layer of Windows 95, 98 and Me is not updated: the
  // library does not run there.
  bool controlsUpdated = false;
  RETURN_IF_FAILED(UpdateCommonControls(run.copy.sourceFolder, controlsUpdated));
  run.copy.restartNeeded = run.copy.restartNeeded || controlsUpdated;
  std::wstring tasksFile, program;
  const HRESULT pathsFound = SUCCEEDED(GetProductPath(kInfoControlPanelTasks | kInfoAcceptDefault, tasksFile))
                                 ? GetProductPath(kInfoMainProgram | kInfoAcceptDefault, program)
                                 : kProductFolderMissing;
  RETURN_IF_FAILED(AtStep(run.location, kAtTaskFile, pathsFound));
  RETURN_IF_FAILED(AtStep(run.location, kAtTaskFile, WriteControlPanelTasks(tasksFile, program, run.journal)));
  if (!IsSystem64()) return S_OK;
  RETURN_IF_FAILED(PrepareFolder(kInfoFolder | kInfo64Bit, run.folder64, run.journal, run.location,
                                 kAtFolder64Unknown, kAtFolder64Note, kAtFolder64Create));
  return CopyFiles(ProductFiles64(), run.folder64, run);
}

// Steps 10 and 11: Size, the settings, Path and the shared data folder.
HRESULT WriteProductValues(Installation& run, bool skipRegistry) {
  if (run.journal) {
    RETURN_IF_FAILED(AtStep(run.location, kAtSizeNote,
                            run.journal->NoteValueToSet(HKEY_LOCAL_MACHINE, kSettingsKey, L"Size", run.view32)));
  }
  const auto kilobytes = static_cast<std::uint32_t>(run.copy.bytes / 1024);
  RETURN_IF_FAILED(AtStep(run.location, kAtSizeWrite, WriteValue(L"Size", nullptr, kilobytes, run.view32)));
  if (skipRegistry) return S_OK;
  RETURN_IF_FAILED(AtStep(run.location, kAtSettingsKeyNote, CopyNewestSettingsToCurrentKey(run.journal)));
  RETURN_IF_FAILED(WritePath(run.folder, run.view32, run, kAtSettingsKeyNote, kAtPathNote, kAtPathWrite));
  if (!run.folder64.empty())
    RETURN_IF_FAILED(WritePath(run.folder64, KEY_WOW64_64KEY, run, kAtSettingsKeyNote64, kAtPathNote64,
                               kAtPathWrite64));
  return AtStep(run.location, kAtSharedDataFolder, PrepareSharedDataFolder(run.journal));
}

// Step 12, then the integrations that registered publishers need, which now
// name the new files.
HRESULT RegisterWithSystem(Installation& run) {
  RETURN_IF_FAILED(
      RegisterClassesOf(CompanionClasses(), run.folder, L"wendrixc.dll", run.view32, run, kAtCompanionClasses));
  RETURN_IF_FAILED(
      RegisterClassesOf(ControlClasses(), run.folder, L"wendrixw.ocx", run.view32, run, kAtControlClasses));
  if (!run.folder64.empty()) {
    RETURN_IF_FAILED(RegisterClassesOf(CompanionClasses(), run.folder64, L"wendrixc64.dll", KEY_WOW64_64KEY, run,
                                       kAtCompanionClasses));
    RETURN_IF_FAILED(
        RegisterClassesOf(ControlClasses(), run.folder64, L"wendrixw64.ocx", KEY_WOW64_64KEY, run, kAtControlClasses));
  }
  const IntegrationSteps steps{kAtOpenStoreAfter, kAtStartupEntry, kAtControlPanelEntry, kAtUninstallEntry,
                               kAtFileType};
  for (const StoreScope scope : {kScopeAllUsers, kScopeCurrentUser})
    RETURN_IF_FAILED(BringIntegrationsInLine(scope, true, run.journal, steps, run.location));
  AnnounceRegistrationChange();
  return S_OK;
}

HRESULT Install(const wchar_t* journalFolder, std::uint32_t flags, StopProgramsCall stop, std::uint32_t& location) {
  CJournal journalFile;
  Installation run{nullptr, location, {}, {}, {}};
  if (journalFolder && *journalFolder) {
    RETURN_IF_FAILED(journalFile.Open(journalFolder));
    run.journal = &journalFile;
  }
  const bool dialogOpen = FindWindowW(kDialogWindowClass, nullptr) != nullptr;
  const bool schedulerRunning = FindWindowW(kSchedulerWindowClass, nullptr) != nullptr;
  run.copy.sourceFolder = Module().folder;
  run.copy.journal = run.journal;
  run.copy.force = (flags & kInstallForce) != 0;
  run.copy.library64 = Module().named64;
  run.copy.stopPrograms = stop;

  RETURN_IF_FAILED(InstallFiles(run));
  RETURN_IF_FAILED(WriteProductValues(run, (flags & kInstallSkipRegistry) != 0));
  RETURN_IF_FAILED(RegisterWithSystem(run));

  if (run.copy.restartNeeded) return S_FALSE;
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

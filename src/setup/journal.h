#pragma once
// CJournal: a rollback journal. Before a setup changes a file, folder or
// registry entry it notes here what is about to change; a failed setup then
// puts everything back by replaying the notes newest first, and a successful
// one commits (throws the journal away).
//
// Each noting operation writes records only when its precondition holds and
// nothing otherwise; a record that cannot be written fails the operation.
#include <windows.h>

#include <cstdint>
#include <string>

#include "core/result.h"
#include "platform/unique_handle.h"
#include "setup/journal_record.h"

namespace wendrix {

inline constexpr wchar_t kJournalFileName[] = L"rollback.dat";

class CJournal {
 public:
  CJournal() = default;
  CJournal(const CJournal&) = delete;
  CJournal& operator=(const CJournal&) = delete;

  // Makes a new journal folder in the user's temporary folder ("RBF" names)
  // with an empty journal file, which stays open for writing.
  HRESULT Create();
  // Opens the journal of an existing folder for appending (the file is
  // created when missing). A missing folder gives the path-not-found code.
  HRESULT Open(const std::wstring& folder);
  void Close() noexcept { m_file.Reset(); }
  // Throws the journal away: deletes its folder with everything in it.
  // With a folder that does not exist nothing happens. Never fails.
  void Commit(const wchar_t* folder = nullptr) noexcept;
  // Replays the records newest first, then commits. A failure stops at once
  // and leaves the journal in place, so that it can be rolled back again.
  HRESULT Rollback(const wchar_t* folder = nullptr);

  const std::wstring& Folder() const noexcept { return m_folder; }

  // Registry notes. `root` is a predefined key; `view` 0, KEY_WOW64_32KEY or KEY_WOW64_64KEY.
  HRESULT NoteValueToSet(HKEY root, const std::wstring& keyPath, const std::wstring& valueName, REGSAM view);
  HRESULT NoteValueToChange(HKEY root, const std::wstring& keyPath, const std::wstring& valueName, REGSAM view);
  HRESULT NoteKeyToCreate(HKEY root, const std::wstring& keyPath, REGSAM view);
  HRESULT NoteKey(HKEY root, const std::wstring& keyPath, REGSAM view);
  HRESULT NoteKeyTreeToDelete(HKEY root, const std::wstring& keyPath, REGSAM view);
  HRESULT NoteKeyTreeToRemove(HKEY root, const std::wstring& keyPath, REGSAM view);

  // File and folder notes.
  HRESULT NoteFileToWrite(const std::wstring& path);
  HRESULT NoteFileToDelete(const std::wstring& path);
  HRESULT NoteFolderTreeToDelete(const std::wstring& folder, bool keepFolder);
  HRESULT NoteFolderToCreate(const std::wstring& path);
  HRESULT NotePathToCreate(const std::wstring& path);
  HRESULT NoteFolderToRemove(const std::wstring& folder);
  // The system's list of files to replace at the next restart.
  HRESULT NotePendingRenames();

  // Appends one record; E_FAIL when the journal file is not open.
  HRESULT Write(const JournalRecord& record);

 private:
  HRESULT Backup(const std::wstring& path, std::wstring& backup);
  HRESULT NoteMissingKeys(HKEY root, const std::wstring& keyPath, REGSAM view);
  HRESULT NoteTree(HKEY root, const std::wstring& keyPath, REGSAM view, bool remove);

  std::wstring m_folder;
  UniqueFile m_file;
  unsigned m_nextBackup = 1;
};

// The 64-bit value a journal stores for a predefined root key, and back.
std::uint64_t JournalRootValue(HKEY root) noexcept;
HKEY JournalRootKey(std::uint64_t value) noexcept;

// Grants full access to a folder (created when missing) to Authenticated
// Users (mode 0) or Everyone (mode 1). E_INVALIDARG for other modes,
// E_NOTIMPL without the security functions, E_FAIL when it cannot be set.
HRESULT GrantFolderAccess(const std::wstring& folder, std::uint32_t mode);

// Deletes file `path`, noted first in `journal` (when given) so a rollback
// brings it back. A file that is not there is no change and no note.
HRESULT DeleteFileNoted(const std::wstring& path, CJournal* journal);

}  // namespace wendrix

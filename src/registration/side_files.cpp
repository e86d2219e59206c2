#include "registration/side_files.h"

#include <windows.h>

#include "core/ini_data_buffer.h"
#include "platform/ini_file.h"
#include "platform/missing_files.h"
#include "platform/path_containment.h"
#include "publisher/publisher_id.h"
#include "registration/list_file.h"
#include "registration/store_folders.h"
#include "registration/store_mutex.h"
#include "setup/journal.h"

namespace wendrix {
namespace {

constexpr std::size_t kIconNamesLimit = 250;
bool IsIconName(std::wstring_view name) noexcept {
  return !name.empty() && name.find_first_of(L"\\/: ") == std::wstring_view::npos;
}

struct SideFileInfo {
  const wchar_t* extension;
  const wchar_t* mutex;
};

SideFileInfo InfoOf(SideFile kind) noexcept {
  switch (kind) {
    case SideFile::kData: return {L".ini", kDataFileMutex};
    case SideFile::kPreviousItems: return {L".prv", kPreviousItemsMutex};
    default: return {L".ina", kInactiveItemsMutex};
  }
}

const std::wstring& ListedPath(const PublisherRecord& record, SideFile kind) noexcept {
  switch (kind) {
    case SideFile::kData: return record.dataFile;
    case SideFile::kPreviousItems: return record.previousItemsFile;
    default: return record.inactiveItemsFile;
  }
}

// A file of the current user's folder, by a name made from a publisher's ID
// and names from its data file: whatever the parts, the path stays there.
HRESULT UserFilePath(std::wstring_view name, std::wstring& path) {
  std::wstring folder;
  RETURN_IF_FAILED(StoreFolder(kScopeCurrentUser, StoreProduct::kCurrent, folder));
  return ResolveInsideFolder(folder, name, path);
}

// Writes a file of the current user's folder, creating the folder when it
// is missing.
HRESULT WriteNoted(const std::wstring& path, std::wstring_view text, CJournal* journal) {
  std::wstring folder;
  if (!journal) {
    // The folder is there all but once, and a look for it costs as much as
    // the write: the write goes first and tells when it is not.
    const HRESULT hr = WriteUnicodeTextFile(path.c_str(), text);
    if (hr != HResultFromWin32(ERROR_PATH_NOT_FOUND)) return hr;
    RETURN_IF_FAILED(CreateStoreFolder(kScopeCurrentUser, nullptr, folder));
    return WriteUnicodeTextFile(path.c_str(), text);
  }
  // A journal notes the folder before it is made, so it is looked for first.
  RETURN_IF_FAILED(CreateStoreFolder(kScopeCurrentUser, journal, folder));
  RETURN_IF_FAILED(journal->NoteFileToWrite(path));
  return WriteUnicodeTextFile(path.c_str(), text);
}

// Writes the text, or deletes the file for an empty text, under the file's
// lock.
HRESULT WriteLocked(const std::wstring& path, SideFile kind, std::wstring_view text, CJournal* journal) {
  NamedMutexLock lock;
  RETURN_IF_FAILED(LockSideFiles(kind, lock));
  if (text.empty()) return DeleteFileNoted(path, journal);
  return WriteNoted(path, text, journal);
}

}  // namespace

HRESULT SideFilePath(const PublisherRecord& record, SideFile kind, std::wstring& path) {
  const std::wstring& listed = ListedPath(record, kind);
  // A list file may have been written by anyone who can write the folder
  // it lies in: a listed path is used only inside the user's own folder, so
  // that a check never writes, and an unregistration never deletes, a file
  // elsewhere. Outside it the publisher's own file is used instead.
  if (!listed.empty()) {
    std::wstring folder;
    if (SUCCEEDED(StoreFolder(kScopeCurrentUser, StoreProduct::kCurrent, folder)) &&
        SUCCEEDED(ResolveInsideFolder(folder, listed, path)))
      return S_OK;
  }
  if (!IsSafePublisherId(record.id)) return E_INVALIDARG;
  return UserFilePath(record.id + InfoOf(kind).extension, path);
}

namespace {

// True when `stamp` is known and the file at `path` still has it.
bool StillStamped(const std::wstring& path, const FileStamp& stamp) noexcept {
  FileStamp now;
  return stamp.IsKnown() && StampOf(path, now) && now == stamp;
}

HRESULT ReadAt(const std::wstring& path, SideFile kind, std::wstring& text, FileStamp* stamp) {
  // Most publishers have no inactive items and many no previous items: a
  // missing file is told without taking the lock (a file written meanwhile
  // is one this read would have missed by a moment anyway). The same look
  // stamps the file. Taken before the read, a stamp can only be older than
  // the text read, never newer: then the file looks changed, and a write
  // that was not needed is the worst that follows.
  FileStamp before;
  if (KnownMissing(path)) return HResultFromWin32(ERROR_FILE_NOT_FOUND);
  if (!StampOf(path, before)) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return HResultFromWin32(static_cast<long>(error));
  }
  NamedMutexLock lock;
  RETURN_IF_FAILED(LockSideFiles(kind, lock));
  std::wstring read;
  RETURN_IF_FAILED(ReadTextFile(path.c_str(), read));
  text = std::move(read);
  if (stamp) *stamp = before;
  return S_OK;
}

}  // namespace

HRESULT LockSideFiles(SideFile kind, NamedMutexLock& lock) {
  return lock.Acquire(InfoOf(kind).mutex, MutexUsers::kThisUser);
}

HRESULT ReadSideFile(const PublisherRecord& record, SideFile kind, std::wstring& text, FileStamp* stamp) {
  std::wstring path;
  RETURN_IF_FAILED(SideFilePath(record, kind, path));
  return ReadAt(path, kind, text, stamp);
}

HRESULT ReadChangedSideFile(const PublisherRecord& record, SideFile kind, std::wstring& text, FileStamp& stamp) {
  std::wstring path;
  RETURN_IF_FAILED(SideFilePath(record, kind, path));
  if (StillStamped(path, stamp)) return S_FALSE;
  return ReadAt(path, kind, text, &stamp);
}

HRESULT WriteSideFile(const PublisherRecord& record, SideFile kind, std::wstring_view text, CJournal* journal) {
  std::wstring path;
  RETURN_IF_FAILED(SideFilePath(record, kind, path));
  return WriteLocked(path, kind, text, journal);
}

HRESULT WriteChangedSideFile(const PublisherRecord& record, SideFile kind, std::wstring_view text, FileStamp& stamp) {
  std::wstring path;
  RETURN_IF_FAILED(SideFilePath(record, kind, path));
  // No lock for the look: a writer that comes in meanwhile would have come
  // in just after this write as well.
  if (StillStamped(path, stamp)) return S_FALSE;
  // Written here before, too recently to stamp then. A store kept across
  // checks (the main window's) would otherwise write the file again at
  // every check: once the file has settled, a read (cheaper than a write)
  // tells whether it still holds the text, and stamps it.
  if (stamp.writtenHere && !text.empty()) {
    std::wstring held;
    FileStamp now;
    if (SUCCEEDED(ReadAt(path, kind, held, &now)) && now.IsKnown() && held == text) {
      stamp = now;
      return S_FALSE;
    }
  }
  // A file just written cannot be stamped (see FileStamp).
  stamp = {};
  RETURN_IF_FAILED(WriteLocked(path, kind, text, nullptr));
  stamp = FileStamp::WrittenHere();
  return S_OK;
}

HRESULT IconFilePath(std::wstring_view id, std::wstring_view name, std::wstring_view second, std::wstring& path) {
  // The names come from fetched data files before the loader has checked
  // them: a name must stay a plain file-name part, never a path.
  if (!IsSafePublisherId(id) || !IsIconName(name) || (!second.empty() && !IsIconName(second))) return E_INVALIDARG;
  if (name.size() + second.size() >= kIconNamesLimit) return HResultFromWin32(ERROR_BUFFER_OVERFLOW);
  std::wstring file(id);
  file += L'-';
  file += name;
  if (!second.empty()) {
    file += L'-';
    file += second;
  }
  file += L".ico";
  return UserFilePath(file, path);
}

HRESULT WriteIconFile(std::wstring_view id, std::wstring_view name, std::wstring_view second, std::string_view bytes,
                      CJournal* journal) {
  std::wstring path, folder;
  RETURN_IF_FAILED(IconFilePath(id, name, second, path));
  NamedMutexLock lock;
  RETURN_IF_FAILED(lock.Acquire(kIconsMutex, MutexUsers::kThisUser));
  RETURN_IF_FAILED(CreateStoreFolder(kScopeCurrentUser, journal, folder));
  if (journal) RETURN_IF_FAILED(journal->NoteFileToWrite(path));
  return WriteWholeFile(path.c_str(), bytes);
}

HRESULT ErrorFilePath(std::wstring_view id, std::wstring& path) {
  if (!IsSafePublisherId(id)) return E_INVALIDARG;
  return UserFilePath(std::wstring(id) + L"-error.ini", path);
}

HRESULT WriteErrorFile(std::wstring_view id, const ErrorReport& report, CJournal* journal) {
  std::wstring path;
  RETURN_IF_FAILED(ErrorFilePath(id, path));
  CIniDataBuffer data;
  RETURN_IF_FAILED(BuildErrorFile(report, data));
  RETURN_IF_FAILED(data.Save(kIniSaveUnicode));
  return WriteNoted(path, data.Text(), journal);
}

HRESULT DeleteErrorFile(std::wstring_view id, CJournal* journal) {
  std::wstring path;
  RETURN_IF_FAILED(ErrorFilePath(id, path));
  if (KnownMissing(path)) return S_OK;  // most checks succeed as the one before
  return DeleteFileNoted(path, journal);
}

HRESULT RecordOutcome(std::wstring_view id, const ErrorReport& report, CJournal* journal) {
  return FAILED(report.result) ? WriteErrorFile(id, report, journal) : DeleteErrorFile(id, journal);
}

}  // namespace wendrix

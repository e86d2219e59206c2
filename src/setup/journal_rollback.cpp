// Rolling a journal back: its records replayed newest first.
#include "setup/journal.h"

#include <shellapi.h>

#include <vector>

#include "platform/path_containment.h"
#include "platform/registry.h"
#include "platform/system_library.h"
#include "setup/file_attributes.h"
#include "setup/shell_copy.h"

namespace wendrix {
namespace {

// Deleting what is already gone is no failure.
HRESULT IgnoreMissing(HRESULT hr) {
  return hr == HResultFromWin32(ERROR_FILE_NOT_FOUND) || hr == HResultFromWin32(ERROR_PATH_NOT_FOUND) ? S_OK : hr;
}

// The older journal records hold paths that went through code page 1252.
std::wstring Through1252(const std::wstring& path) {
  const int bytes = WideCharToMultiByte(1252, 0, path.c_str(), -1, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return path;
  std::string ansi(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(1252, 0, path.c_str(), -1, ansi.data(), bytes, nullptr, nullptr);
  const int chars = MultiByteToWideChar(1252, 0, ansi.c_str(), -1, nullptr, 0);
  if (chars <= 0) return path;
  std::wstring wide(static_cast<std::size_t>(chars), L'\0');
  MultiByteToWideChar(1252, 0, ansi.c_str(), -1, wide.data(), chars);
  wide.resize(static_cast<std::size_t>(chars - 1));
  return wide;
}

// The shell copy of the older records: any failure of the shell is taken as
// a Windows error.
HRESULT LegacyShellCopy(const std::wstring& from, const std::wstring& to) {
  using FileOperation = int(WINAPI*)(LPSHFILEOPSTRUCTW);
  HMODULE shell = LoadSystemLibrary(L"shell32.dll").Release();
  const auto operation = shell ? reinterpret_cast<FileOperation>(reinterpret_cast<void*>(GetProcAddress(shell, "SHFileOperationW")))
                               : nullptr;
  if (!operation) {
    if (shell) FreeLibrary(shell);
    return E_NOTIMPL;
  }
  std::vector<wchar_t> source(from.begin(), from.end()), target(to.begin(), to.end());
  source.insert(source.end(), {L'\0', L'\0'});
  target.insert(target.end(), {L'\0', L'\0'});
  SHFILEOPSTRUCTW op{};
  op.wFunc = FO_COPY;
  op.pFrom = source.data();
  op.pTo = target.data();
  op.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR | FOF_NOERRORUI | FOF_NOCOPYSECURITYATTRIBS;
  const int result = operation(&op);
  FreeLibrary(shell);
  return HResultFromWin32(result);
}


// A backup is a numbered copy the journal made in its own folder; one that
// names any other file would copy that file over the path.
HRESULT BackupInJournal(const std::wstring& folder, const std::wstring& backup, std::wstring& resolved) {
  return SUCCEEDED(ResolveInsideFolder(folder, backup, resolved)) ? S_OK : kInvalidData;
}

// The older records' paths after code page 1252: its best-fit mapping can
// turn other characters into ones a path rule looks for (a full-width colon
// into ":"), so the rules apply again to what is used.
HRESULT AnsiPath(const std::wstring& recorded, std::wstring& path) {
  path = Through1252(recorded);
  return IsLocalDrivePath(path) ? S_OK : kInvalidData;
}

// Replays one record of the journal in `folder`; the reader has checked
// the record's roots, views and paths (IsJournalRecordPlausible).
HRESULT Replay(const std::wstring& folder, const JournalRecord& r) {
  const HKEY root = JournalRootKey(r.root);
  const REGSAM view = static_cast<REGSAM>(r.view);
  switch (r.type) {
    case kJournalRestoreValue: {
      RegistryKey key;
      LONG rc = key.Create(root, r.keyPath.c_str(), KEY_ALL_ACCESS, view);
      if (rc == ERROR_SUCCESS) rc = key.WriteBytes(r.valueName.c_str(), r.valueType, r.data);
      return HResultFromWin32(rc);
    }
    case kJournalDeleteValue: {
      RegistryKey key;
      LONG rc = key.Open(root, r.keyPath.c_str(), KEY_SET_VALUE, view);
      if (rc == ERROR_SUCCESS) rc = key.DeleteValue(r.valueName.c_str());
      return IgnoreMissing(HResultFromWin32(rc));
    }
    case kJournalDeleteKey: return IgnoreMissing(HResultFromWin32(DeleteRegistryKey(root, r.keyPath.c_str(), view)));
    case kJournalCreateKey: {
      RegistryKey key;
      return HResultFromWin32(key.Create(root, r.keyPath.c_str(), KEY_ALL_ACCESS, view));
    }
    case kJournalRestoreFile: {
      std::wstring backup;
      RETURN_IF_FAILED(BackupInJournal(folder, r.backupPath, backup));
      ClearReadOnlyHidden(r.path);
      return ShellCopyFile(backup, r.path);
    }
    case kJournalRestoreFileAnsi: {
      std::wstring path, ansiBackup, backup;
      RETURN_IF_FAILED(AnsiPath(r.path, path));
      RETURN_IF_FAILED(AnsiPath(r.backupPath, ansiBackup));
      RETURN_IF_FAILED(BackupInJournal(folder, ansiBackup, backup));
      ClearReadOnlyHidden(path);
      return LegacyShellCopy(backup, path);
    }
    case kJournalDeleteFile:
    case kJournalDeleteFileAnsi: {
      std::wstring path = r.path;
      if (r.type == kJournalDeleteFileAnsi) RETURN_IF_FAILED(AnsiPath(r.path, path));
      ClearReadOnlyHidden(path);
      return DeleteFileW(path.c_str()) ? S_OK : IgnoreMissing(LastErrorResult());
    }
    case kJournalRemoveFolder:
    case kJournalRemoveFolderAnsi: {
      std::wstring path = r.path;
      if (r.type == kJournalRemoveFolderAnsi) RETURN_IF_FAILED(AnsiPath(r.path, path));
      ClearReadOnlyHidden(path);
      if (RemoveDirectoryW(path.c_str())) return S_OK;
      // A folder that still holds something was not only ours: it stays.
      if (GetLastError() == ERROR_DIR_NOT_EMPTY) return S_OK;
      return IgnoreMissing(LastErrorResult());
    }
    case kJournalRestoreFolder: {
      const DWORD attributes = GetFileAttributesW(r.path.c_str());
      RETURN_LAST_ERROR_IF(attributes == INVALID_FILE_ATTRIBUTES && !CreateDirectoryW(r.path.c_str(), nullptr));
      return SetFileAttributesW(r.path.c_str(), r.attributes) ? S_OK : LastErrorResult();
    }
    default:
      return kInvalidData;
  }
}

}  // namespace

HRESULT CJournal::Rollback(const wchar_t* folder) {
  if (folder) {
    const DWORD attributes = GetFileAttributesW(folder);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
      return HResultFromWin32(ERROR_PATH_NOT_FOUND);
    m_folder = folder;
  }
  Close();
  std::vector<std::uint8_t> bytes;
  {
    const std::wstring path = m_folder + L"\\" + kJournalFileName;
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    RETURN_LAST_ERROR_IF(!file);
    LARGE_INTEGER size{};
    RETURN_LAST_ERROR_IF(!GetFileSizeEx(file.Get(), &size));
    if (size.QuadPart > 0x7FFFFFFF) return E_OUTOFMEMORY;
    bytes.resize(static_cast<std::size_t>(size.QuadPart));
    DWORD read = 0;
    if (!bytes.empty() && (!ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
                           read != bytes.size()))
      return LastErrorResult();
  }
  const std::wstring folderOfJournal = m_folder;
  RETURN_IF_FAILED(ReadJournalBackwards(bytes, [&](const JournalRecord& r) { return Replay(folderOfJournal, r); }));
  Commit();
  return S_OK;
}

}  // namespace wendrix

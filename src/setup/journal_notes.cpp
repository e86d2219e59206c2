// The noting operations: what is about to change, written down before it does.
#include <vector>

#include "platform/registry.h"
#include "setup/journal.h"

namespace wendrix {
namespace {

bool KeyExists(HKEY root, const std::wstring& path, REGSAM view) {
  RegistryKey key;
  return key.Open(root, path.c_str(), KEY_READ, view) == ERROR_SUCCESS;
}

// A value's type and data; false when the key or the value does not exist.
bool ReadValue(HKEY root, const std::wstring& path, const std::wstring& name, REGSAM view, DWORD& type,
               std::vector<std::uint8_t>& data) {
  RegistryKey key;
  return key.Open(root, path.c_str(), KEY_QUERY_VALUE, view) == ERROR_SUCCESS &&
         key.ReadBytes(name.c_str(), type, data) == ERROR_SUCCESS;
}

bool PathExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

JournalRecord KeyRecord(std::uint32_t type, HKEY root, const std::wstring& path, REGSAM view) {
  JournalRecord r;
  r.type = type;
  r.view = static_cast<std::uint32_t>(view);
  r.root = JournalRootValue(root);
  r.keyPath = path;
  return r;
}

JournalRecord PathRecord(std::uint32_t type, const std::wstring& path) {
  JournalRecord r;
  r.type = type;
  r.path = path;
  return r;
}

}  // namespace

// Type 2 records for every missing key of the path, the highest first.
HRESULT CJournal::NoteMissingKeys(HKEY root, const std::wstring& keyPath, REGSAM view) {
  std::vector<std::wstring> missing;
  std::wstring path = keyPath;
  while (!path.empty() && !KeyExists(root, path, view)) {
    missing.push_back(path);
    const std::size_t slash = path.rfind(L'\\');
    path = slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
  }
  for (auto it = missing.rbegin(); it != missing.rend(); ++it)
    RETURN_IF_FAILED(Write(KeyRecord(kJournalDeleteKey, root, *it, view)));
  return S_OK;
}

HRESULT CJournal::NoteValueToSet(HKEY root, const std::wstring& keyPath, const std::wstring& valueName, REGSAM view) {
  if (!KeyExists(root, keyPath, view)) RETURN_IF_FAILED(NoteMissingKeys(root, keyPath, view));
  DWORD type = 0;
  std::vector<std::uint8_t> data;
  if (ReadValue(root, keyPath, valueName, view, type, data)) {
    JournalRecord r = KeyRecord(kJournalRestoreValue, root, keyPath, view);
    r.valueType = type;
    r.valueName = valueName;
    r.data = std::move(data);
    return Write(r);
  }
  JournalRecord r = KeyRecord(kJournalDeleteValue, root, keyPath, view);
  r.valueName = valueName;
  return Write(r);
}

HRESULT CJournal::NoteValueToChange(HKEY root, const std::wstring& keyPath, const std::wstring& valueName,
                                    REGSAM view) {
  DWORD type = 0;
  std::vector<std::uint8_t> data;
  if (!ReadValue(root, keyPath, valueName, view, type, data)) return S_OK;
  JournalRecord r = KeyRecord(kJournalRestoreValue, root, keyPath, view);
  r.valueType = type;
  r.valueName = valueName;
  r.data = std::move(data);
  return Write(r);
}

HRESULT CJournal::NoteKeyToCreate(HKEY root, const std::wstring& keyPath, REGSAM view) {
  return NoteMissingKeys(root, keyPath, view);
}

HRESULT CJournal::NoteKey(HKEY root, const std::wstring& keyPath, REGSAM view) {
  if (!KeyExists(root, keyPath, view)) return S_OK;
  return Write(KeyRecord(kJournalCreateKey, root, keyPath, view));
}

// The key, each of its values, then each subkey the same way, depth first:
// to delete a tree each part must come back (types 3 and 0); to remove a new
// tree each part must go (types 2 and 1).
HRESULT CJournal::NoteTree(HKEY root, const std::wstring& keyPath, REGSAM view, bool remove) {
  RegistryKey key;
  if (key.Open(root, keyPath.c_str(), KEY_READ, view) != ERROR_SUCCESS) return S_OK;
  RETURN_IF_FAILED(Write(KeyRecord(remove ? kJournalDeleteKey : kJournalCreateKey, root, keyPath, view)));
  std::vector<std::wstring> names;
  const LONG rc = key.ValueNames(names);
  if (rc != ERROR_SUCCESS) return HResultFromWin32(rc);
  for (const std::wstring& value : names) {
    if (remove) {
      JournalRecord r = KeyRecord(kJournalDeleteValue, root, keyPath, view);
      r.valueName = value;
      RETURN_IF_FAILED(Write(r));
    } else {
      RETURN_IF_FAILED(NoteValueToChange(root, keyPath, value, view));
    }
  }
  std::vector<std::wstring> subkeys;
  if (const LONG error = key.SubkeyNames(subkeys); error != ERROR_SUCCESS) return HResultFromWin32(error);
  key.Close();
  for (const std::wstring& subkey : subkeys) RETURN_IF_FAILED(NoteTree(root, keyPath + L"\\" + subkey, view, remove));
  return S_OK;
}

HRESULT CJournal::NoteKeyTreeToDelete(HKEY root, const std::wstring& keyPath, REGSAM view) {
  return NoteTree(root, keyPath, view, false);
}

HRESULT CJournal::NoteKeyTreeToRemove(HKEY root, const std::wstring& keyPath, REGSAM view) {
  return NoteTree(root, keyPath, view, true);
}

HRESULT CJournal::NoteFileToWrite(const std::wstring& path) {
  if (!PathExists(path)) return Write(PathRecord(kJournalDeleteFile, path));
  return NoteFileToDelete(path);
}

HRESULT CJournal::NoteFileToDelete(const std::wstring& path) {
  if (!PathExists(path)) return S_OK;
  std::wstring backup;
  RETURN_IF_FAILED(Backup(path, backup));
  JournalRecord r = PathRecord(kJournalRestoreFile, path);
  r.backupPath = std::move(backup);
  return Write(r);
}

HRESULT CJournal::NoteFolderTreeToDelete(const std::wstring& folder, bool keepFolder) {
  const DWORD attributes = GetFileAttributesW(folder.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return S_OK;
  std::vector<std::wstring> files, folders;
  WIN32_FIND_DATAW data;
  UniqueFind find(FindFirstFileW((folder + L"\\*").c_str(), &data));
  if (find) {
    do {
      const std::wstring name = data.cFileName;
      if (name == L"." || name == L"..") continue;
      ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? folders : files).push_back(folder + L"\\" + name);
    } while (FindNextFileW(find.Get(), &data));
  }
  find.Reset();
  for (const std::wstring& file : files) RETURN_IF_FAILED(NoteFileToDelete(file));
  for (const std::wstring& sub : folders) RETURN_IF_FAILED(NoteFolderTreeToDelete(sub, false));
  if (keepFolder) return S_OK;
  JournalRecord r = PathRecord(kJournalRestoreFolder, folder);
  r.attributes = attributes;
  return Write(r);
}

HRESULT CJournal::NoteFolderToCreate(const std::wstring& path) {
  if (PathExists(path)) return S_OK;
  return Write(PathRecord(kJournalRemoveFolder, path));
}

HRESULT CJournal::NotePathToCreate(const std::wstring& path) {
  if (path.size() >= MAX_PATH) return HResultFromWin32(ERROR_BUFFER_OVERFLOW);
  if (PathExists(path)) return S_OK;
  // Each ancestor folder, from the top; drive components ("C:") are skipped.
  for (std::size_t slash = path.find(L'\\'); slash != std::wstring::npos; slash = path.find(L'\\', slash + 1)) {
    const std::wstring ancestor = path.substr(0, slash);
    if (ancestor.empty() || ancestor.back() == L':' || ancestor.back() == L'\\') continue;
    if (!PathExists(ancestor)) RETURN_IF_FAILED(Write(PathRecord(kJournalRemoveFolder, ancestor)));
  }
  return S_OK;
}

HRESULT CJournal::NoteFolderToRemove(const std::wstring& folder) {
  const DWORD attributes = GetFileAttributesW(folder.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return S_OK;
  JournalRecord r = PathRecord(kJournalRestoreFolder, folder);
  r.attributes = attributes;
  return Write(r);
}

HRESULT CJournal::NotePendingRenames() {
  if (GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "MoveFileExA")) {
    return NoteValueToSet(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\Session Manager",
                          L"PendingFileRenameOperations", 0);
  }
  // Systems without MoveFileEx replace files through WININIT.INI.
  OSVERSIONINFOW version{};
  version.dwOSVersionInfoSize = sizeof(version);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  const bool windows9x = GetVersionExW(&version) && version.dwPlatformId == 1 && version.dwMajorVersion == 4;
#pragma GCC diagnostic pop
  if (!windows9x) return S_OK;
  wchar_t windows[MAX_PATH];
  const UINT length = GetWindowsDirectoryW(windows, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return E_FAIL;
  return NoteFileToWrite(std::wstring(windows) + L"\\WININIT.INI");
}

HRESULT DeleteFileNoted(const std::wstring& path, CJournal* journal) {
  if (!PathExists(path)) return S_OK;
  if (journal) RETURN_IF_FAILED(journal->NoteFileToDelete(path));
  if (DeleteFileW(path.c_str())) return S_OK;
  const DWORD error = GetLastError();  // gone meanwhile is as good as deleted
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? S_OK : LastErrorResult();
}

}  // namespace wendrix

#include "setup/journal.h"

#include <vector>

#include "setup/file_attributes.h"
#include "setup/shell_copy.h"

namespace wendrix {
namespace {

bool IsFolder(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

std::uint64_t JournalRootValue(HKEY root) noexcept {
  // Predefined keys are small negative handle values; widening them keeps the sign.
  return static_cast<std::uint64_t>(static_cast<std::int64_t>(reinterpret_cast<std::intptr_t>(root)));
}

HKEY JournalRootKey(std::uint64_t value) noexcept {
  return reinterpret_cast<HKEY>(static_cast<std::intptr_t>(static_cast<std::int64_t>(value)));
}

HRESULT CJournal::Create() {
  Close();
  wchar_t temp[MAX_PATH];
  const DWORD length = GetTempPathW(MAX_PATH, temp);
  RETURN_LAST_ERROR_IF(length == 0 || length >= MAX_PATH);
  // The first number tried comes from the clock; taken names are skipped.
  unsigned number = GetTickCount() & 0xFFFF;
  for (unsigned tries = 0; tries < 65536; ++tries, number = (number + 1) & 0xFFFF) {
    if (number == 0) continue;  // 0 would make the system pick (and create) a name itself
    wchar_t name[MAX_PATH];
    RETURN_LAST_ERROR_IF(!GetTempFileNameW(temp, L"RBF", number, name));
    if (GetFileAttributesW(name) != INVALID_FILE_ATTRIBUTES) continue;
    DeleteFileW(name);
    if (!CreateDirectoryW(name, nullptr)) {
      if (GetLastError() == ERROR_ALREADY_EXISTS) continue;  // another process was quicker
      return LastErrorResult();
    }
    m_folder = name;
    m_nextBackup = 1;
    return Open(m_folder);
  }
  return HResultFromWin32(ERROR_TOO_MANY_NAMES);
}

HRESULT CJournal::Open(const std::wstring& folder) {
  Close();
  if (!IsFolder(folder)) return HResultFromWin32(ERROR_PATH_NOT_FOUND);
  m_folder = folder;
  const std::wstring path = m_folder + L"\\" + kJournalFileName;
  m_file.Reset(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                           nullptr));
  RETURN_LAST_ERROR_IF(!m_file);
  if (SetFilePointer(m_file.Get(), 0, nullptr, FILE_END) == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR)
    return LastErrorResult();
  return S_OK;
}

HRESULT CJournal::Write(const JournalRecord& record) {
  if (!m_file) return E_FAIL;
  const std::vector<std::uint8_t> bytes = EncodeJournalRecord(record);
  DWORD written = 0;
  RETURN_LAST_ERROR_IF(!WriteFile(m_file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
  return written == bytes.size() ? S_OK : HResultFromWin32(ERROR_WRITE_FAULT);
}

void CJournal::Commit(const wchar_t* folder) noexcept {
  try {
    if (folder) {
      if (!IsFolder(folder)) return;
      m_folder = folder;
    }
    Close();
    if (m_folder.empty()) return;
    WIN32_FIND_DATAW data;
    UniqueFind find(FindFirstFileW((m_folder + L"\\*").c_str(), &data));
    if (find) {
      do {
        const std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        const std::wstring path = m_folder + L"\\" + name;
        ClearReadOnlyHidden(path);
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveDirectoryW(path.c_str());
        else DeleteFileW(path.c_str());
      } while (FindNextFileW(find.Get(), &data));
    }
    find.Reset();
    RemoveDirectoryW(m_folder.c_str());
    m_folder.clear();
  } catch (...) {
    // Committing never fails visibly; what cannot be deleted stays.
  }
}

HRESULT CJournal::Backup(const std::wstring& path, std::wstring& backup) {
  for (unsigned n = m_nextBackup; n < 1000000; ++n) {
    std::wstring candidate = m_folder + L"\\" + std::to_wstring(n);
    if (GetFileAttributesW(candidate.c_str()) != INVALID_FILE_ATTRIBUTES) continue;
    RETURN_IF_FAILED(ShellCopyFile(path, candidate));
    m_nextBackup = n + 1;
    backup = std::move(candidate);
    return S_OK;
  }
  return E_FAIL;
}

}  // namespace wendrix

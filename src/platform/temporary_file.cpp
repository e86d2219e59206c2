#include "platform/temporary_file.h"

#include <windows.h>

#include <cstdint>

namespace wendrix {
namespace {

constexpr std::size_t kBesideNameLength = 15;  // "~wx" + 8 digits + ".tmp"
constexpr int kBesideAttempts = 64;
// One WriteFile call per gigabyte keeps each length within a DWORD.
constexpr std::size_t kWritePiece = 0x40000000;

}  // namespace

HRESULT CTemporaryFile::CreateInTempFolder(const wchar_t* prefix) {
  Delete();
  wchar_t folder[MAX_PATH + 1] = {};
  wchar_t path[MAX_PATH] = {};
  const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
  RETURN_LAST_ERROR_IF(length == 0);
  if (length > MAX_PATH) return kBufferTooSmall;
  RETURN_LAST_ERROR_IF(!GetTempFileNameW(folder, prefix, 0, path));
  m_path = path;  // GetTempFileNameW created it: it is ours to delete
  m_file.Reset(CreateFileW(path, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  RETURN_LAST_ERROR_IF(!m_file);
  return S_OK;
}

HRESULT CTemporaryFile::CreateBeside(const wchar_t* target) {
  Delete();
  const std::wstring_view path(target);
  const std::size_t slash = path.find_last_of(L"\\/");
  const std::wstring folder(slash == std::wstring_view::npos ? std::wstring_view() : path.substr(0, slash + 1));
  if (folder.size() + kBesideNameLength >= MAX_PATH) return kBufferTooSmall;
  static LONG counter = 0;
  const std::uint32_t process = GetCurrentProcessId() * 0x9E3779B1u;
  for (int attempt = 0; attempt < kBesideAttempts; ++attempt) {
    const std::uint32_t unique =
        process ^ (static_cast<std::uint32_t>(InterlockedIncrement(&counter)) * 0x85EBCA6Bu) ^ GetTickCount();
    std::wstring name = folder + L"~wx";
    for (int shift = 28; shift >= 0; shift -= 4) name.push_back(L"0123456789abcdef"[(unique >> shift) & 0xF]);
    name += L".tmp";
    m_file.Reset(CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (m_file) {
      m_path = std::move(name);
      return S_OK;
    }
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return HResultFromWin32(static_cast<long>(error));
  }
  return HResultFromWin32(ERROR_FILE_EXISTS);
}

HRESULT CTemporaryFile::Write(std::string_view bytes) {
  if (!m_file) return E_HANDLE;
  while (!bytes.empty()) {
    const DWORD piece = static_cast<DWORD>(bytes.size() < kWritePiece ? bytes.size() : kWritePiece);
    DWORD written = 0;
    RETURN_LAST_ERROR_IF(!WriteFile(m_file.Get(), bytes.data(), piece, &written, nullptr));
    if (written != piece) return HResultFromWin32(ERROR_WRITE_FAULT);
    bytes.remove_prefix(piece);
  }
  // Not flushed: moving a whole file into place protects readers from a
  // writer that dies half-way, which is the case that matters. A flush per
  // file would make a check of a few hundred publishers seconds slower
  // (several milliseconds for each of its two files per publisher), for the
  // power-loss case only.
  return S_OK;
}

HRESULT CTemporaryFile::MoveOver(const wchar_t* target) {
  m_file.Reset();
  RETURN_LAST_ERROR_IF(!MoveFileExW(m_path.c_str(), target, MOVEFILE_REPLACE_EXISTING));
  m_path.clear();
  return S_OK;
}

HRESULT CTemporaryFile::MoveToFreeName(const wchar_t* target) {
  m_file.Reset();
  if (!MoveFileExW(m_path.c_str(), target, 0))
    return GetLastError() == ERROR_FILE_EXISTS ? HResultFromWin32(ERROR_ALREADY_EXISTS) : HResultFromWin32(GetLastError());
  m_path.clear();
  return S_OK;
}

void CTemporaryFile::Delete() noexcept {
  m_file.Reset();
  if (m_path.empty()) return;
  // A failed write or move reports its own error: deleting must not change it.
  const DWORD lastError = GetLastError();
  DeleteFileW(m_path.c_str());
  SetLastError(lastError);
  m_path.clear();
}

}  // namespace wendrix

#include "platform/buffer_file.h"

#include <new>

namespace wendrix {

HRESULT CBufferFile::Open(const wchar_t* path, DWORD creationDisposition) {
  Close();
  if (!path) return HResultFromWin32(ERROR_INVALID_PARAMETER);
  try {
    m_path = path;
  } catch (const std::bad_alloc&) {
    return HResultFromWin32(ERROR_NOT_ENOUGH_MEMORY);
  }
  m_file.Reset(CreateFileW(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, creationDisposition,
                           FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!m_file) {
    const HRESULT hr = LastErrorResult();
    m_path.clear();
    return hr;
  }
  return S_OK;
}

HRESULT CBufferFile::ReadAll() {
  if (!m_file) return HResultFromWin32(ERROR_INVALID_HANDLE);
  LARGE_INTEGER size{};
  RETURN_LAST_ERROR_IF(!GetFileSizeEx(m_file.Get(), &size));
  if (size.QuadPart > 0x7FFFFFFF) return E_OUTOFMEMORY;
  try {
    SetCount(static_cast<std::size_t>(size.QuadPart));
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  if (SetFilePointer(m_file.Get(), 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER)
    return LastErrorResult();
  DWORD read = 0;
  if (Count() && !ReadFile(m_file.Get(), Data(), static_cast<DWORD>(Count()), &read, nullptr))
    return LastErrorResult();
  SetCount(read);
  return S_OK;
}

HRESULT CBufferFile::WriteAll() {
  if (!m_file) return HResultFromWin32(ERROR_INVALID_HANDLE);
  DWORD written = 0;
  if (SetFilePointer(m_file.Get(), 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER ||
      !SetEndOfFile(m_file.Get()) ||
      (Count() && !WriteFile(m_file.Get(), Data(), static_cast<DWORD>(Count()), &written, nullptr)))
    return LastErrorResult();
  return written == Count() ? S_OK : HResultFromWin32(ERROR_WRITE_FAULT);
}

void CBufferFile::Close() noexcept {
  m_file.Reset();
  m_path.clear();
}

void CBufferFile::CloseAndDelete() noexcept {
  m_file.Reset();
  if (!m_path.empty()) {
    const DWORD lastError = GetLastError();
    DeleteFileW(m_path.c_str());
    SetLastError(lastError);
  }
  m_path.clear();
}

}  // namespace wendrix

#include "update/byte_sink.h"

#include <new>

namespace wendrix {

HRESULT MemorySink::Empty() {
  m_buffer.Reset();
  return S_OK;
}

HRESULT MemorySink::Append(std::span<const char> bytes) {
  try {
    m_buffer.Append(bytes);
    return S_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

HRESULT FileSink::Empty() {
  LARGE_INTEGER start{};
  if (!SetFilePointerEx(m_file, start, nullptr, FILE_BEGIN) || !SetEndOfFile(m_file))
    return LastErrorResult();
  return S_OK;
}

HRESULT FileSink::Append(std::span<const char> bytes) {
  DWORD written = 0;
  if (!WriteFile(m_file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr))
    return LastErrorResult();
  return written == bytes.size() ? S_OK : HResultFromWin32(ERROR_WRITE_FAULT);
}

}  // namespace wendrix

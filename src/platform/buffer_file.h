#pragma once
// CBufferFile: a byte buffer tied to one file that it owns exclusively while
// open (read and write access, no sharing).
#include <windows.h>

#include <string>

#include "core/buffer.h"
#include "core/result.h"
#include "platform/unique_handle.h"

namespace wendrix {

class CBufferFile : public CBuffer<char> {
 public:
  // Opens `path` with the given creation disposition. A null path fails with
  // ERROR_INVALID_PARAMETER wrapped; an open file is closed first.
  HRESULT Open(const wchar_t* path, DWORD creationDisposition);
  // Replaces the buffer with the whole file.
  HRESULT ReadAll();
  // Replaces the file's content with the buffer.
  HRESULT WriteAll();
  void Close() noexcept;
  // Closes the file and deletes it (used when a write went wrong half-way).
  void CloseAndDelete() noexcept;

  bool IsOpen() const noexcept { return static_cast<bool>(m_file); }
  const std::wstring& Path() const noexcept { return m_path; }
  HANDLE Handle() const noexcept { return m_file.Get(); }

 private:
  UniqueFile m_file;
  std::wstring m_path;
};

}  // namespace wendrix

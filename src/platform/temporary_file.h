#pragma once
// A file this process makes for its own use and deletes again when done with
// it, unless it was moved into place.

#include <string>
#include <string_view>

#include "core/result.h"
#include "platform/unique_handle.h"

namespace wendrix {

class CTemporaryFile {
 public:
  CTemporaryFile() = default;
  CTemporaryFile(const CTemporaryFile&) = delete;
  CTemporaryFile& operator=(const CTemporaryFile&) = delete;
  ~CTemporaryFile() { Delete(); }

  // Creates a new file in the user's temporary folder under the name that
  // GetTempFileNameW forms from `prefix`, open for writing.
  HRESULT CreateInTempFolder(const wchar_t* prefix);
  // Creates a new file in the folder of `target` named "~wx" + 8 hexadecimal
  // digits + ".tmp", open for writing and shared with nobody; a name taken by
  // another writer is skipped. A folder whose path leaves no room for the
  // name below 260 characters gives 0x8007006F.
  HRESULT CreateBeside(const wchar_t* target);

  // Appends `bytes` to the open file.
  HRESULT Write(std::string_view bytes);
  // Closes the file so that others may open it; it stays ours to delete.
  void Close() noexcept { m_file.Reset(); }
  // Closes the file and moves it over `target` in one step: another process
  // sees the old file or this one, never part of either. From then on the
  // file is no longer ours.
  HRESULT MoveOver(const wchar_t* target);
  // The same, but only while nothing is at `target`: a taken name gives the
  // wrapped ERROR_ALREADY_EXISTS and the file stays ours.
  HRESULT MoveToFreeName(const wchar_t* target);

  const std::wstring& Path() const noexcept { return m_path; }

 private:
  void Delete() noexcept;

  UniqueFile m_file;
  std::wstring m_path;
};

}  // namespace wendrix

#pragma once
// A fresh temporary folder for one test, deleted with everything in it.
#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace wendrix::test {

class TempFolder {
 public:
  TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  ~TempFolder();

  const std::wstring& Path() const noexcept { return m_path; }
  // The path of `name` inside the folder.
  std::wstring File(std::wstring_view name) const { return m_path + L"\\" + std::wstring(name); }
  // Writes `bytes` to `name` inside the folder and returns its path.
  std::wstring Write(std::wstring_view name, std::string_view bytes) const;

 private:
  std::wstring m_path;
};

// Reads a whole file; empty when it cannot be read.
std::string ReadFileBytes(const std::wstring& path);
bool FileExists(const std::wstring& path);
// Every file and folder under `path` by relative name: a file's bytes, or
// "<folder>" for a folder; compare two to see that nothing changed.
std::map<std::wstring, std::string> SnapshotTree(const std::wstring& path);
// Deletes a folder tree (files first); no error when it does not exist.
void DeleteTree(const std::wstring& path);
// The last write time of a file or folder, as a file time; 0 when missing.
std::uint64_t LastWrite(const std::wstring& path);
// Sets it (a failure fails the test).
void SetLastWrite(const std::wstring& path, std::uint64_t time);

}  // namespace wendrix::test

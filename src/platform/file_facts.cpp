#include "platform/file_facts.h"

#include <windows.h>

#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace wendrix {

std::uint64_t CurrentFileTime() noexcept {
  FILETIME now{};
  GetSystemTimeAsFileTime(&now);
  return (static_cast<std::uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
}

std::uint64_t FileSizeOrZero(const std::wstring& path) noexcept {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool SomethingAt(const std::wstring& path) noexcept { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool StampOf(const std::wstring& path, FileStamp& stamp) noexcept {
  constexpr std::uint64_t kSettled = 2 * 10'000'000ull;  // two seconds in file time
  WIN32_FILE_ATTRIBUTE_DATA facts;
  stamp = {};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &facts)) return false;
  const std::uint64_t written =
      (std::uint64_t{facts.ftLastWriteTime.dwHighDateTime} << 32) | facts.ftLastWriteTime.dwLowDateTime;
  // A write time in the future (a clock set back) is not settled either.
  const std::uint64_t now = CurrentFileTime();
  if (written > now || now - written < kSettled) return true;
  stamp = FileStamp{(std::uint64_t{facts.nFileSizeHigh} << 32) | facts.nFileSizeLow, written};
  return true;
}

namespace {

// Whether the volume whose root is given keeps folder times that follow
// names: a fixed NTFS or ReFS volume. Asked once per root for the
// process: Wine answers each question of the two in about 0.4 ms, and a
// fixed volume keeps its drive letter and its file system while the
// process runs.
bool VolumeTimesFollowNames(const wchar_t* root) noexcept {
  static std::mutex turn;
  static std::vector<std::pair<std::wstring, bool>> known;
  try {
    const std::lock_guard<std::mutex> lock(turn);
    for (const auto& [seen, follows] : known)
      if (CompareStringOrdinal(seen.c_str(), -1, root, -1, TRUE) == CSTR_EQUAL) return follows;
    wchar_t system[MAX_PATH + 1];
    const bool follows = GetDriveTypeW(root) == DRIVE_FIXED &&
                         GetVolumeInformationW(root, nullptr, 0, nullptr, nullptr, nullptr, system, MAX_PATH + 1) &&
                         (CompareStringOrdinal(system, -1, L"NTFS", -1, TRUE) == CSTR_EQUAL ||
                          CompareStringOrdinal(system, -1, L"ReFS", -1, TRUE) == CSTR_EQUAL);
    if (known.size() < 64) known.emplace_back(root, follows);
    return follows;
  } catch (...) {
    return false;  // no lock or no memory: not trusted
  }
}

}  // namespace

bool FolderTimeFollowsNames(const std::wstring& folder) noexcept {
  const DWORD attributes = GetFileAttributesW(folder.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY) ||
      (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
    return false;
  wchar_t root[MAX_PATH + 1];
  return GetVolumePathNameW(folder.c_str(), root, MAX_PATH + 1) && VolumeTimesFollowNames(root);
}

}  // namespace wendrix

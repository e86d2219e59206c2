#pragma once
// Small facts about files and the clock, asked the same way everywhere.
#include <cstdint>
#include <string>

namespace wendrix {

// The current time as a file time (UTC, 100-nanosecond intervals since 1601).
std::uint64_t CurrentFileTime() noexcept;

// The size of the file at `path`; 0 when there is none.
std::uint64_t FileSizeOrZero(const std::wstring& path) noexcept;

// True when something (file or folder) is at `path`.
bool SomethingAt(const std::wstring& path) noexcept;

// How a file (or folder) looked: its size and last write time, to tell
// later without reading it whether anyone has written it since. The file
// system keeps write times only to its clock tick (up to 16 ms on NTFS, 2 s
// on FAT), so a file rewritten with the same size in the tick of its last
// write would still look the same: a file written less than two seconds
// before the look gets a stamp that is not known, and an unknown stamp is
// never taken for unchanged.
struct FileStamp {
  std::uint64_t size = 0;
  std::uint64_t written = 0;  // last write time; 0 when not known
  // Not known, but this process wrote the file last, with the text the
  // stamp goes with, too recently to stamp it: once the file has settled,
  // reading it tells whether it still holds that text.
  bool writtenHere = false;
  bool IsKnown() const noexcept { return written != 0; }
  static FileStamp WrittenHere() noexcept { return FileStamp{0, 0, true}; }
  bool operator==(const FileStamp&) const = default;
};

// The stamp of what is at `path`; false, with the system's error, when
// nothing is there or it cannot be asked (the stamp is then not known).
bool StampOf(const std::wstring& path, FileStamp& stamp) noexcept;

// True when the folder's last write time changes whenever a name in it is
// made, renamed or deleted, so that its stamp tells that a file missing
// there is still missing: a folder, not a link to one (whose own times say
// nothing of the folder it leads to), on a local NTFS or ReFS volume. FAT
// keeps no such time, and a network client may answer from its cache.
bool FolderTimeFollowsNames(const std::wstring& folder) noexcept;

}  // namespace wendrix

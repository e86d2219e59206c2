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

}  // namespace wendrix

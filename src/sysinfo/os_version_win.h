#pragma once
// The version record of the running Windows, and its name.
#include <cstddef>
#include <optional>
#include <string>

#include "sysinfo/os_name.h"

namespace wendrix {

// The extended version record; when the system cannot give it, the basic
// one together with the registry's product type. Nothing when both fail.
std::optional<OsVersionRecord> ReadOsVersionRecord();

// The name of the running Windows version and edition ("Windows 7",
// "Windows XP Home"); empty when the version cannot be read.
std::wstring OperatingSystemName();

// The same name in a caller's buffer of `size` characters: cut to fit and
// always terminated (nothing is written when `size` is 0).
void OperatingSystemName(wchar_t* buffer, std::size_t size);

}  // namespace wendrix

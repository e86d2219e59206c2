#pragma once
// What the driver-file route of a driver-version query reads from a driver
// file. Paths that a 32-bit process would see redirected to the 32-bit
// system folder are read from the native one, where the drivers are.
#include <optional>
#include <string>

#include "core/version.h"

namespace wendrix {

// The CompanyName of the file's version resource, in its first listed
// translation; nothing when the file, its resource or the name is missing.
std::optional<std::wstring> ReadDriverCompanyName(const std::wstring& path);

// The file's fixed file version; nothing when it cannot be read.
std::optional<VersionParts> ReadDriverVersion(const std::wstring& path);

}  // namespace wendrix

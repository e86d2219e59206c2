#pragma once
// The DirectX version: its text form, and its inference from the versions of
// the system files each DirectX release brought, for systems whose DirectX
// diagnostics cannot tell it.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "core/version.h"

namespace wendrix {

struct DirectXVersion {
  std::uint32_t major = 0;
  std::uint32_t minor = 0;
  wchar_t letter = L' ';  // 'a', 'b'... or a blank
};

// "major.minor.letter": the letter counts by its character code masked with
// 31, so "a" gives 1 and a blank (or no letter at all, L'\0') 0.
std::wstring FormatDirectXVersion(const DirectXVersion& version);

// Reads the fixed file version of a file in the system folder, named with a
// leading backslash ("\\ddraw.dll"); nothing when the file or its version is
// missing.
using SystemFileVersionReader = std::function<std::optional<VersionParts>(std::wstring_view fileName)>;

// The newest DirectX release whose files are present in at least their
// release's versions, from 1.0 (ddraw.dll 4.2.0.95) to 9.0 (any d3d9.dll);
// nothing when ddraw.dll and the later marker files all are missing or too
// old.
std::optional<DirectXVersion> DirectXVersionFromFiles(const SystemFileVersionReader& read);

}  // namespace wendrix

#pragma once
// The installed DirectX version, as the "DirectX" query answers it.
#include <optional>
#include <string>

namespace wendrix {

// "major.minor.letter" (see FormatDirectXVersion): from the DirectX
// diagnostics provider, else inferred from the versions of the system
// folder's DirectX files; nothing when neither tells.
std::optional<std::wstring> DirectXVersionAnswer();

}  // namespace wendrix

#pragma once
// The answer of the "Architecture" query for a processor architecture code
// (the wProcessorArchitecture of the native system information).
#include <cstdint>
#include <optional>
#include <string_view>

namespace wendrix {

// "x86", "ia64" or "x64"; nothing for any other architecture.
constexpr std::optional<std::wstring_view> ArchitectureName(std::uint16_t architecture) noexcept {
  switch (architecture) {
    case 0: return L"x86";
    case 6: return L"ia64";
    case 9: return L"x64";
    default: return std::nullopt;
  }
}

}  // namespace wendrix

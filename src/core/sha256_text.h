#pragma once
// A SHA-256 digest and its text: the 64 hexadecimal digits a publisher writes
// for each file it pins, and that wxcli prints for a file.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/result.h"

namespace wendrix {

using Sha256Digest = std::array<std::uint8_t, 32>;

// The answer for a file whose digest is not the pinned one (TRUST_E_BAD_DIGEST).
inline constexpr HRESULT kBadDigest = static_cast<HRESULT>(0x80096010);

// Exactly 64 hexadecimal digits, either case, nothing around them: a pin is
// compared byte for byte, so a shorter or longer value is refused rather than
// padded or cut.
std::optional<Sha256Digest> ParseSha256Text(std::wstring_view text) noexcept;

// The digest as 64 lowercase hexadecimal digits.
std::wstring FormatSha256Text(const Sha256Digest& digest);

}  // namespace wendrix

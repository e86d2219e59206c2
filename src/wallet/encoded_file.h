#pragma once
// Files of an action with the flag Encoded arrive with every byte combined by
// exclusive or with the library's 8-byte key, the key repeating from the
// file's start. The same operation decodes and encodes again.
#include <cstdint>
#include <span>

#include "core/result.h"

namespace wendrix {

inline constexpr std::uint8_t kEncodingKey[8] = {0x57, 0x58, 0x6B, 0x6D, 0x21, 0x3F, 0x9A, 0xC4};

// Toggles `bytes`, which start at `offset` of their file.
void ToggleEncoding(std::span<std::uint8_t> bytes, std::uint64_t offset) noexcept;

// Toggles a whole file in place: the new bytes go to a file beside it, which
// then replaces it in one step, so that a failure leaves the file as it was.
HRESULT ToggleFileEncoding(const wchar_t* path);

}  // namespace wendrix

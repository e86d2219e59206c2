#include "wallet/encoded_file.h"

namespace wendrix {

void ToggleEncoding(std::span<std::uint8_t> bytes, std::uint64_t offset) noexcept {
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] ^= kEncodingKey[(offset + i) % std::size(kEncodingKey)];
}

}  // namespace wendrix

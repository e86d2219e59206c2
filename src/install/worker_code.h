#pragma once
// The 32-bit code in which the setup worker reports its outcome: 0 success,
// 1 success that needs a restart, otherwise a failure with its error
// location in bits 23 to 30, the facility in bits 16 to 22 and the code in
// bits 0 to 15. Platform-free.
#include <cstdint>

#include "core/result.h"

namespace wendrix {

constexpr std::uint32_t EncodeWorkerCode(HRESULT hr, std::uint32_t location) noexcept {
  if (hr == S_OK || hr == S_FALSE) return static_cast<std::uint32_t>(hr);
  if (hr >= 0) return 0;
  const std::uint32_t value = static_cast<std::uint32_t>(hr);
  return ((location & 0xFFu) << 23) | (((value >> 16) & 0x7Fu) << 16) | (value & 0xFFFFu);
}

// The result the code stands for; `location` receives the error location
// (0 for success).
constexpr HRESULT DecodeWorkerCode(std::uint32_t code, std::uint32_t& location) noexcept {
  location = 0;
  if (code == 0 || code == 1) return static_cast<HRESULT>(code);
  location = (code >> 23) & 0xFFu;
  return static_cast<HRESULT>(0x80000000u | (((code >> 16) & 0x7Fu) << 16) | (code & 0xFFFFu));
}

}  // namespace wendrix

#pragma once
// Registration and unregistration tell a setup program which step failed:
// each step's result passes through AtStep, which notes the step's number
// when the result is a failure.
#include <cstdint>

#include "core/result.h"

namespace wendrix {

inline HRESULT AtStep(std::uint32_t& location, std::uint32_t step, HRESULT hr) noexcept {
  if (FAILED(hr)) location = step;
  return hr;
}

}  // namespace wendrix

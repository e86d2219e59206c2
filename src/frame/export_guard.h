#pragma once
// Every export body runs inside GuardedCall so that no C++ exception crosses
// into the caller: an allocation failure becomes E_OUTOFMEMORY, anything else
// E_FAIL.
#include <new>

#include "core/result.h"

namespace wendrix {

template <typename Body>
HRESULT GuardedCall(Body&& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_FAIL;
  }
}

}  // namespace wendrix

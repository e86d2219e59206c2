#pragma once
// Every export body runs inside GuardedCall so that no C++ exception crosses
// into the caller (an allocation failure becomes E_OUTOFMEMORY, anything else
// E_FAIL), and so that the call asks the shell for each special folder once.
#include <new>

#include "core/result.h"
#include "platform/known_folders.h"

namespace wendrix {

template <typename Body>
HRESULT GuardedCall(Body&& body) noexcept {
  try {
    const KnownFolderScope folders;
    return body();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_FAIL;
  }
}

}  // namespace wendrix

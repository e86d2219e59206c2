#pragma once
// The installed copy of the library (in the product folder) and the
// forwarding of calls to it when it is newer than this copy.
#include <windows.h>

#include "core/result.h"
#include "platform/unique_handle.h"

namespace wendrix {

enum InstalledCopyState : int {
  kInstalledUnknown = 0,  // no installed copy, or its version cannot be read
  kInstalledOlder = 1,
  kInstalledIsThis = 2,   // this library is the installed copy (or the same version)
  kInstalledNewer = 3,
};

// Compares the installed copy with this library: 0 unknown, 1 the installed
// copy is older, 2 it is this file or of the same version, 3 it is newer.
int CheckInstalledCopy();

// Loads the installed library inside this library's activation context.
// Null when the path cannot be found or the load fails.
UniqueModule LoadInstalledCopy();

// Runs `name` in the installed copy when that copy is newer. Returns true when
// the call was forwarded and then *result holds its result (0x80070001 when
// the installed copy lacks the export); false when the caller must run the
// export itself.
template <typename Fn, typename... Args>
bool ForwardToInstalledCopy(const char* name, HRESULT* result, Args... args) {
  if (CheckInstalledCopy() != kInstalledNewer) return false;
  UniqueModule installed = LoadInstalledCopy();
  if (!installed) return false;
  auto* fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(installed.Get(), name)));
  *result = fn ? fn(args...) : kExportMissing;
  return true;
}

}  // namespace wendrix

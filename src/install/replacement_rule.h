#pragma once
// When a product file carried by a setup replaces the one already installed.
// Platform-free: the caller reads the versions and compares the files.
#include <optional>
#include <string>

#include "core/version.h"

namespace wendrix {

// The decision for a target that exists (a missing target is always
// written). With both versions known: with `force` the carried file is
// copied unless the installed one is newer; without it, only when the
// installed one is older. With a version missing: copied when `force` is set
// or the two files differ (`differ` is asked only then).
template <typename DifferQuery>
bool ShouldReplace(const std::optional<std::wstring>& installed, const std::optional<std::wstring>& carried,
                   bool force, DifferQuery differ) {
  if (installed && carried) {
    const int order = CompareVersions(std::wstring_view(*installed), std::wstring_view(*carried));
    return force ? order != kVersionNewer : order == kVersionOlder;
  }
  return force || differ();
}

}  // namespace wendrix

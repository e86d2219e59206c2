#pragma once
// The version of one item of loaded publisher data, as the version export
// hands it to applications.
#include <cstdint>
#include <optional>
#include <string>

#include "core/result.h"
#include "publisher/model.h"

namespace wendrix {

// ItemVersion flags.
inline constexpr std::uint32_t kItemVersionLatest = 4;      // the latest version instead of the installed one
inline constexpr std::uint32_t kItemVersionForDisplay = 8;  // formatted under the item's display style

// The display text of a version is formatted into this many characters.
inline constexpr std::size_t kDisplayVersionCapacity = 256;

// Looks up the item `itemId` (ignoring case) and writes its installed version
// (as the loader stored it), or its latest version with kItemVersionLatest,
// to *out. With kItemVersionForDisplay a version that parses is formatted
// under the item's display style, cut to 255 characters; anything else is
// copied as it stands.
// Returns E_POINTER without `out`, E_INVALIDARG without `data` or `itemId`.
// Otherwise *out is first cleared, and stays empty (with S_OK) when the item
// does not exist or has no such version; E_OUTOFMEMORY when the copy fails.
HRESULT ItemVersion(const PublisherData* data, const wchar_t* itemId, std::uint32_t flags,
                    std::optional<std::wstring>* out) noexcept;

}  // namespace wendrix

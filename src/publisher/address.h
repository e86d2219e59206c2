#pragma once
// Publisher data-source addresses compared without their scheme and their
// common host prefix, so that "https://www.x.example/a" and
// "http://x.example/a" name the same publisher file.
#include <string_view>

namespace wendrix {

// The part of `address` that remains after skipping, ignoring case, the first
// matching scheme of "http://", "https://", "ftp://", "file://", then "www.",
// "download." or "update."; when none of those three follows, "secure." after
// "https://" or "ftp." after "ftp://". The result views the same characters.
std::wstring_view NormaliseAddress(std::wstring_view address) noexcept;

}  // namespace wendrix

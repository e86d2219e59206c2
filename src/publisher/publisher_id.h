#pragma once
// Publisher identifiers. A publisher's ID names its files in the store
// ("<ID>.ini", "<ID>.prv", "<ID>.ina", "<ID>-error.ini", "<ID>.ico",
// "<ID>-<name>.ico") and its sections in list and product-data files, so an
// ID from any outside source must be a plain file-name part before it is
// used: a dotted identifier such as "1.3.6.1.4.1.61717.1".
#include <cstddef>
#include <string_view>

namespace wendrix {

inline constexpr std::size_t kPublisherIdMaxLength = 64;

// True when `id` is 1 to 64 characters of ASCII letters, digits, ".", "-"
// and "_"; does not begin or end with "."; holds no ".."; and none of its
// dot-separated parts is a DOS device name (CON, PRN, AUX, NUL, COM0-COM9,
// LPT0-LPT9, any case), which the system would open instead of a file.
bool IsSafePublisherId(std::wstring_view id) noexcept;

}  // namespace wendrix

#pragma once
// The parts of transfer addresses that need no system help: HTTP statuses
// as WinINet errors, "file:" addresses, and the host of an address that the
// system could not crack.
#include <cstdint>
#include <string>
#include <string_view>

namespace wendrix {

// The WinINet error an HTTP status stands for: 0 below 300, 12027 for 300
// and 400, 12015 for 401, 403 and 407, 12028 for 404, 12008 for 405, 12002
// for 504, 12029 for any other status of 300 or more.
std::uint32_t WinInetErrorForStatus(std::uint32_t status) noexcept;

// True when the address begins with "file:" (ignoring case).
bool IsFileUrl(std::wstring_view url) noexcept;
// The path of a "file:" address: the text after "file:", a leading "//"
// skipped.
std::wstring FileUrlPath(std::wstring_view url);

// The host of an address without the system's help: the text after the first
// "://" up to the next "/", without anything up to an "@" in it, cut at a ":"
// when the rest holds no backslash. Empty when there is no "://".
std::wstring HostNameFromText(std::wstring_view url);

}  // namespace wendrix

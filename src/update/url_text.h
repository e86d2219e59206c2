#pragma once
// The parts of transfer addresses that need no system help: HTTP statuses
// as WinINet errors, "file:" addresses, the addresses a fetched file may
// lead to, and the host of an address that the system could not crack.
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

// True when a data file fetched from `source` may send the library on to
// `address` (a moved data source, an icon): a publisher whose data source is
// a "file:" address may name anything; any other may name only web
// addresses ("http://", "https://", "ftp://", ignoring case). So a file from
// the internet cannot make the library read the disk or a share ("file:",
// "\\host\share", "C:\"), which would also announce the user's name and
// credentials to the share's host.
bool MayFetchFrom(std::wstring_view source, std::wstring_view address) noexcept;

// The host of an address without the system's help: the text after the first
// "://" up to the next "/", without anything up to an "@" in it, cut at a ":"
// when the rest holds no backslash. Empty when there is no "://".
std::wstring HostNameFromText(std::wstring_view url);

}  // namespace wendrix

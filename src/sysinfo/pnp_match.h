#pragma once
// Plug and Play device identifiers: the patterns that select devices and the
// parts of an identifier that queries answer with. All comparisons are
// case-sensitive, as device identifiers are written in capitals.
#include <optional>
#include <string>
#include <string_view>

namespace wendrix {

// The device pattern rule: an empty pattern matches every text, even an
// empty one; an empty text matches no other pattern. A pattern may begin and end with "*"; a
// star anywhere else makes it match nothing. The text is searched for the
// first occurrence of the pattern without its stars; without a leading star
// that occurrence must begin the text, without a trailing star it must end
// it. "*" and "**" match every non-empty text.
bool MatchesDevicePattern(std::wstring_view pattern, std::wstring_view text) noexcept;

// The revision in a device identifier: what follows the first "&REV_" up to
// the next "\" or "&"; else the first run of letters, digits, "." and "-"
// that directly follows five or more "_" (IDE identifiers pad the model name
// with underscores before the firmware revision). Nothing when neither is
// there.
std::optional<std::wstring> DeviceRevision(std::wstring_view deviceId);

// The identifier without its last "\"-separated component (the instance
// part): "PCI\VEN_8086&DEV_1234\3&11" gives "PCI\VEN_8086&DEV_1234". Nothing
// for an identifier with fewer than two backslashes.
std::optional<std::wstring> DeviceIdWithoutInstance(std::wstring_view deviceId);

// A management class name without its "Win32_" or "Cim_" prefix (compared
// ignoring case, as class names are); nothing for a name with neither.
std::optional<std::wstring> DeviceClassName(std::wstring_view className);

}  // namespace wendrix

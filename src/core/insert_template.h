#pragma once
// Message templates that FormatMessageW fills from an array of inserts
// (FORMAT_MESSAGE_ARGUMENT_ARRAY). FormatMessageW reads as many array
// elements as the template asks for: "%99" reads the 99th, a "*" width or
// precision reads the elements after its insert, and "I64" reads eight
// bytes on 32-bit systems. A template that comes from outside (a user's
// setting, a translated text) must not make it read past the array.
#include <cstddef>
#include <string>
#include <string_view>

namespace wendrix {

// `text` with every insert that could read anything but its own one of
// `count` array elements left out, so that it reads as empty: an insert
// numbered above `count`, and an insert whose format ("%1!...!") is not one
// of: the flags "-+ #0", a width and a precision of at most three digits
// each, a size of "h", "l" or "w", then one of the conversions "diouxXcCsS".
// An unterminated format leaves out the insert and its "!". The other
// escapes ("%%", "%n", "%0", "%." ...) stay as they are; a "%" at the very
// end is left out.
std::wstring CheckedInsertTemplate(std::wstring_view text, std::size_t count);

}  // namespace wendrix

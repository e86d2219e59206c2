#pragma once
// A publisher can keep its data file from libraries that should not list it
// by adding a section with "Type = Hide", a word no release of this library
// accepts: the load fails with E_INVALIDARG. Such a publisher is left out of
// the publisher list, and its failed load is no error.
#include <string_view>

namespace wendrix {

// Whether `dataText` has a line "Type = Hide": names and words compared
// ignoring case, blanks around them and around "=" optional, the word
// possibly in double quotes. Read line by line, so a text that fails to
// load anywhere else is still recognised.
bool HidesFromThisLibrary(std::wstring_view dataText) noexcept;

}  // namespace wendrix

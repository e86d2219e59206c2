#pragma once
// The library's string table: user-visible texts by number, in English and
// Italian resources of the library.
#include <windows.h>

#include <string>

namespace wendrix {

// The text of string `id` in `language` (0: the thread's user-interface
// language as the resource loader chooses it). Empty when there is none.
std::wstring LoadStringText(UINT id, LANGID language = 0);

}  // namespace wendrix

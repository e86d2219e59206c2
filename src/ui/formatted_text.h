#pragma once
// A string-table message with its inserts filled, as a string.
#include <windows.h>

#include <initializer_list>
#include <string>

namespace wendrix {

// Message `id` of the library with its placeholders expanded and its
// inserts ("%1", "%2!u!") filled from `inserts`; empty when the message does
// not exist or cannot be formatted.
std::wstring FormattedText(UINT id, std::initializer_list<DWORD_PTR> inserts);

}  // namespace wendrix

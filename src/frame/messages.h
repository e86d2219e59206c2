#pragma once
// The library's messages: string-table texts with their placeholders
// expanded, count selectors applied and Windows message inserts filled, and
// the text of any result code.
#include <windows.h>

#include <memory>
#include <span>
#include <string>

namespace wendrix {

// Loads string `id` of `module` (null: the library) into `buffer` with its
// placeholders expanded, cut to capacity - 1 characters; returns the length,
// or 0 when the string does not exist.
int LoadMessageString(HMODULE module, UINT id, wchar_t* buffer, int capacity);

// String `id` of `module` (null: the library) with its placeholders
// expanded ("%an" the application's name), up to 4000 characters; empty
// when the string does not exist. Inserts ("%1") stay as they are.
std::wstring MessageString(UINT id, HMODULE module = nullptr);

// Loads string `id` (up to 4000 characters), expands it and fills its
// inserts with FormatMessageW. The text is allocated with LocalAlloc; the
// caller frees it with LocalFree. Null when the string does not exist or the
// formatting fails. Inserts the text uses beyond `inserts` read as empty.
wchar_t* FormatMessageText(UINT id, HMODULE module, std::span<const DWORD_PTR> inserts);
// The same with the count selectors applied before the inserts are filled
// (each selector reads its insert as a 32-bit number).
wchar_t* FormatCountedMessageText(UINT id, HMODULE module, std::span<const DWORD_PTR> inserts);

struct LocalFreeDeleter {
  void operator()(wchar_t* p) const noexcept { LocalFree(p); }
};
using LocalText = std::unique_ptr<wchar_t, LocalFreeDeleter>;

// The message text of `code` from `module`'s message table, or from the
// system's when `module` is null; empty when there is none.
std::wstring SystemMessageText(DWORD code, HMODULE module = nullptr);

// The text of a result code: the library's own codes (facility 4) from the
// string table, WinINet codes (12000 and above, wrapped) from WinINet's
// module, anything else from the system, else message 193 with the code.
// Trailing CR and LF are removed; a success code has no text.
std::wstring ErrorText(HRESULT code);

}  // namespace wendrix

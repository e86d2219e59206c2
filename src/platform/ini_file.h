#pragma once
// INI data and text files on disk.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/ini_data_buffer.h"

namespace wendrix {

// Reads a whole file (shared for reading) and loads it into `target`:
// byte-order-mark detection, XML refused with 0x8004020B. Windows errors come
// back wrapped. On a failed load *errorLine receives the line of the failure,
// otherwise 0.
HRESULT LoadIniFile(const wchar_t* path, CIniDataBuffer& target, IniSchema schema, std::uint32_t* errorLine);

// Reads a whole file of at most `limit` bytes, shared for reading and for
// replacement; a larger file gives kInvalidData unread. Windows errors come
// back wrapped.
HRESULT ReadFileBytes(const wchar_t* path, std::size_t limit, std::string& bytes);

// Reads a whole text file (shared for reading) and decodes it: byte-order
// mark detection, else the thread's ANSI code page. Windows errors come back
// wrapped.
HRESULT ReadTextFile(const wchar_t* path, std::wstring& text);

// Replaces `path` as WriteWholeFile does with FF FE and `text` as UTF-16 LE.
HRESULT WriteUnicodeTextFile(const wchar_t* path, std::wstring_view text);
// Replaces `path` (created when missing) with a file holding `bytes`: they are
// written to a new file in the same folder ("~wx" + 8 hexadecimal digits +
// ".tmp"), flushed, and moved over `path` in one step. Another process sees
// the old file or the new one, never part of one. On failure the wrapped
// Windows error comes back, `path` is as it was and the new file is deleted;
// a folder whose path leaves no room for that name below 260 characters gives
// 0x8007006F. A file open in another process without delete sharing cannot
// be replaced (the wrapped sharing violation or access denied).
HRESULT WriteWholeFile(const wchar_t* path, std::string_view bytes);

}  // namespace wendrix

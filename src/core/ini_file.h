#pragma once
// INI data and text files on disk.
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

// Reads a whole text file (shared for reading) and decodes it: byte-order
// mark detection, else the thread's ANSI code page. Windows errors come back
// wrapped.
HRESULT ReadTextFile(const wchar_t* path, std::wstring& text);

// Creates or truncates `path` (no sharing) and writes FF FE and `text` as
// UTF-16 LE. On any failure the file is deleted and the wrapped error returned.
HRESULT WriteUnicodeTextFile(const wchar_t* path, std::wstring_view text);
// Replaces a file with `bytes`; a failed write deletes the file rather than
// leave part of it.
HRESULT WriteWholeFile(const wchar_t* path, std::string_view bytes);

}  // namespace wendrix

#pragma once
// The per-publisher error file "<ID>-error.ini": the last failure met for a
// publisher, shown to the user from there.
#include <cstdint>
#include <string_view>

#include "core/ini_data.h"
#include "core/result.h"

namespace wendrix {

struct ErrorReport {
  HRESULT result = S_OK;
  std::wstring_view file;     // the file involved, or empty
  std::uint32_t line = 0;     // 1-based line of the failure, or 0
  std::uint32_t reported = 0; // non-zero: already shown to the user
};

// Appends section [Error] to `out`: Error in hexadecimal ("0x8007000d"), then
// File (raw, quoted) when a file is given, Line when above 0, Reported when
// non-zero. A file text holding a double quote stands unquoted where it
// reads back so, and is left out where it cannot.
HRESULT BuildErrorFile(const ErrorReport& report, CIniData& out);

// Reads an error file back; false when `data` has no Error key in [Error].
bool ReadErrorFile(const CIniData& data, ErrorReport& report, std::wstring& file);

// The schema an error file is loaded with.
IniSchema ErrorFileSchema() noexcept;

}  // namespace wendrix

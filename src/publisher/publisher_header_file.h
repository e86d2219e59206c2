#pragma once
// A publisher data file's identity, read before the publisher is registered
// (the user interface shows whose file it is).
#include <string>

#include "core/result.h"

namespace wendrix {

// Reads the file (any of the library's text encodings; XML is refused with
// 0x8004020B), parses it with the full schema and copies the Publisher
// section's ID, Name, HomePage and DataSource (the last line of each wins)
// into the outputs that are given, without any check. Outputs of fields the
// file does not have are left as they were.
HRESULT ReadPublisherHeader(const wchar_t* path, std::wstring* id, std::wstring* name, std::wstring* homePage,
                            std::wstring* dataSource);

}  // namespace wendrix

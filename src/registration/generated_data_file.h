#pragma once
// The publisher data file a program can register without shipping one: only
// the header and the publisher's identity, built from four texts.
#include <string>
#include <string_view>

#include "core/result.h"

namespace wendrix {

// The file's text: [Wendrix] RequiredVersion = 3.6, then [Publisher] with
// ID, Name, HomePage, DataSource and the Application text, the last four
// always quoted; characters outside the code page are written as they are.
HRESULT BuildGeneratedDataFile(std::wstring_view id, std::wstring_view name, std::wstring_view homePage,
                               std::wstring_view dataSource, std::wstring& text);

}  // namespace wendrix

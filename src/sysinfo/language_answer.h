#pragma once
// The two-letter ISO 639 code that answers the "Language" query.
#include <cstdint>
#include <string>
#include <string_view>

namespace wendrix {

// The code for `languageId` from the names the system gives for it: its ISO
// 639 name; when it has none, the library's own table for the few languages
// some systems lack; else the abbreviated language name. Anything that is not
// exactly two characters long becomes "en".
std::wstring LanguageAnswer(std::uint16_t languageId, std::wstring_view iso639, std::wstring_view abbreviation);

}  // namespace wendrix

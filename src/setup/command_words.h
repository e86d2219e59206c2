#pragma once
// Command lines the library writes for its own programs and reads back in
// them: texts quoted so that the usual command-line rules give back exactly
// the text (whatever quotes and backslashes it holds), and the line split
// into words by those rules.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace wendrix {

// `text` in double quotes, each double quote as \" and each backslash that
// ends up before a double quote (a closing one included) doubled.
std::wstring QuoteCommandText(std::wstring_view text);

// The words of `line`: blanks separate words outside double quotes; 2n
// backslashes before a double quote are n backslashes and the quote opens or
// closes; 2n+1 are n and a literal quote; other backslashes are literal. An
// unterminated quote gives no words at all: the line was not written by
// QuoteCommandText.
std::vector<std::wstring> SplitCommandWords(std::wstring_view line);

// A number written as "0x" and one to eight hexadecimal digits of either
// case ("0x%X").
bool ParseHexNumber(std::wstring_view word, std::uint32_t& value) noexcept;

}  // namespace wendrix

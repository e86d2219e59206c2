#pragma once
// Count selectors: "@%N:" followed by cases "label:text:" picks the wording
// for the value of insert N before the inserts are filled, as in
// "@%1:1:1 publisher:*:%1!d! publishers:". A label is a decimal number
// (possibly negative) that must equal the value, or one other character
// that takes any value and ends the selector. "\:" is a colon inside a text.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace wendrix {

// The highest insert number ("%" and one or two digits) the text uses; 0
// when none.
unsigned HighestInsertNumber(std::wstring_view text) noexcept;

// Replaces every selector with the text of its chosen case. `inserts` holds
// the values of inserts 1, 2, ...; a selector on an insert beyond them reads
// 0. A selector that breaks off (a label without its colon) keeps what was
// chosen so far; the text from there on is copied as it stands.
std::wstring ApplyCountSelectors(std::wstring_view text, std::span<const std::int32_t> inserts);

}  // namespace wendrix

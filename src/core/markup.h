#pragma once
// The in-text markup of the library's rich texts:
//   |shown|target|   a link: "shown" is displayed, "target" goes to the click handler
//   ||               a literal vertical bar
//   |\nB| ... |\nb|  bold (I/i italic; L/l, R/r, C/c paragraphs aligned left,
//                    right, centred); marks with any other letter are dropped
// ParseMarkup turns such a text into the text to show, the formatted ranges
// and the links; a rich-text view applies them.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace wendrix {

enum class MarkupFormat { kBold, kItalic, kAlignLeft, kAlignRight, kAlignCentre };

// Positions are character offsets into MarkedUpText::shown, end exclusive.
struct MarkupRange {
  MarkupFormat format;
  std::size_t begin, end;
};

struct MarkupLink {
  std::size_t number;  // 0 for the text's first link, then 1, 2, ...
  std::size_t begin, end;
  std::wstring target;
};

struct MarkedUpText {
  std::wstring shown;
  std::vector<MarkupRange> ranges;  // closed ranges, in the order they closed
  std::vector<MarkupLink> links;    // links whose shown part ended
};

// Parses marked-up text. With `bareLineFeeds` CR LF becomes LF. A text whose
// last link ends at its very end gets " \n" appended, and a final line feed
// right after the last link becomes " \n": rich-text views would otherwise
// stretch that link to the end of the text. Throws std::bad_alloc.
MarkedUpText ParseMarkup(std::wstring_view text, bool bareLineFeeds);

}  // namespace wendrix

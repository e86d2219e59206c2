#pragma once
// The property every marked-up text must keep, shared by the fuzz target and
// the regression test that replays the inputs it once found. Texts with
// markup come from publisher data files, fetched from anywhere, and a
// rich-text view applies the ranges and links the parse gives: one that
// pointed past the shown text would format or select memory that is not
// there.
//
// CheckMarkupProperty: the bytes, read as UTF-16, parse (with and without
// bare line feeds) into ranges and links that lie within the shown text,
// links numbered 0, 1, 2... in order, and a shown text no longer than the
// input plus the two characters that may follow a final link.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/markup.h"

namespace wendrix::fuzz {

inline bool CheckMarkupProperty(const std::uint8_t* data, std::size_t size) {
  std::wstring text;
  for (std::size_t i = 0; i + 1 < size; i += 2) text.push_back(static_cast<wchar_t>(data[i] | (data[i + 1] << 8)));
  for (const bool bareLineFeeds : {false, true}) {
    const MarkedUpText parsed = ParseMarkup(text, bareLineFeeds);
    const std::size_t shown = parsed.shown.size();
    if (shown > text.size() + 2) return false;
    for (const MarkupRange& range : parsed.ranges)
      if (range.begin > range.end || range.end > shown) return false;
    for (std::size_t i = 0; i < parsed.links.size(); ++i) {
      const MarkupLink& link = parsed.links[i];
      if (link.number != i || link.begin > link.end || link.end > shown) return false;
    }
  }
  return true;
}

}  // namespace wendrix::fuzz

#include "core/markup.h"

#include <array>
#include <optional>

namespace wendrix {
namespace {

enum class LinkState { kOutside, kShown, kTarget };

// The format of a mark letter and whether it opens; nullopt for other letters.
std::optional<std::pair<MarkupFormat, bool>> MarkOf(wchar_t letter) noexcept {
  switch (letter) {
    case L'B': return std::pair{MarkupFormat::kBold, true};
    case L'b': return std::pair{MarkupFormat::kBold, false};
    case L'I': return std::pair{MarkupFormat::kItalic, true};
    case L'i': return std::pair{MarkupFormat::kItalic, false};
    case L'L': return std::pair{MarkupFormat::kAlignLeft, true};
    case L'l': return std::pair{MarkupFormat::kAlignLeft, false};
    case L'R': return std::pair{MarkupFormat::kAlignRight, true};
    case L'r': return std::pair{MarkupFormat::kAlignRight, false};
    case L'C': return std::pair{MarkupFormat::kAlignCentre, true};
    case L'c': return std::pair{MarkupFormat::kAlignCentre, false};
    default: return std::nullopt;
  }
}

}  // namespace

MarkedUpText ParseMarkup(std::wstring_view text, bool bareLineFeeds) {
  MarkedUpText out;
  out.shown.reserve(text.size());
  // The open position of each format; a second open before the close moves it.
  std::array<std::optional<std::size_t>, 5> open;
  LinkState state = LinkState::kOutside;
  std::size_t lastLinkClosedAt = std::wstring_view::npos;  // index after the link's closing bar

  std::size_t i = 0;
  while (i < text.size()) {
    const wchar_t c = text[i];
    const wchar_t next = i + 1 < text.size() ? text[i + 1] : L'\0';
    if (c == L'|' && next == L'|') {
      (state == LinkState::kTarget ? out.links.back().target : out.shown).push_back(L'|');
      i += 2;
      continue;
    }
    if (c == L'|' && state == LinkState::kOutside && next == L'\n') {
      if (i + 2 < text.size()) {
        if (const auto mark = MarkOf(text[i + 2])) {
          auto& slot = open[static_cast<std::size_t>(mark->first)];
          if (mark->second) {
            slot = out.shown.size();
          } else if (slot) {
            out.ranges.push_back({mark->first, *slot, out.shown.size()});
            slot.reset();
          }
        }
      }
      const std::size_t bar = i + 2 < text.size() ? text.find(L'|', i + 2) : std::wstring_view::npos;
      i = bar == std::wstring_view::npos ? text.size() : bar + 1;
      continue;
    }
    if (c == L'|') {
      switch (state) {
        case LinkState::kOutside:
          state = LinkState::kShown;
          out.links.push_back({out.links.size(), out.shown.size(), out.shown.size(), {}});
          break;
        case LinkState::kShown:
          state = LinkState::kTarget;
          out.links.back().end = out.shown.size();
          break;
        case LinkState::kTarget:
          state = LinkState::kOutside;
          lastLinkClosedAt = i + 1;
          break;
      }
      ++i;
      continue;
    }
    if (bareLineFeeds && c == L'\r' && next == L'\n') {
      ++i;
      continue;
    }
    (state == LinkState::kTarget ? out.links.back().target : out.shown).push_back(c);
    ++i;
  }
  if (state == LinkState::kShown) out.links.pop_back();  // its shown part never ended

  if (lastLinkClosedAt == text.size()) {
    out.shown += L" \n";
  } else if (lastLinkClosedAt != std::wstring_view::npos &&
             (text.substr(lastLinkClosedAt) == L"\n" || (bareLineFeeds && text.substr(lastLinkClosedAt) == L"\r\n"))) {
    out.shown.insert(out.shown.size() - 1, 1, L' ');
  }
  return out;
}

}  // namespace wendrix

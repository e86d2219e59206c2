#include "ui/formatted_text.h"

#include <span>

#include "frame/messages.h"

namespace wendrix {

std::wstring FormattedText(UINT id, std::initializer_list<DWORD_PTR> inserts) {
  const LocalText text(FormatMessageText(id, nullptr, std::span<const DWORD_PTR>(inserts.begin(), inserts.size())));
  return text ? std::wstring(text.get()) : std::wstring();
}

}  // namespace wendrix

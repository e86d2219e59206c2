#pragma once
// Texts of one entry per line, as the store's side files and hand-edited
// lists hold them: a line ends at a line feed, and a carriage return just
// before it (a file written with CR LF) is not part of the line.
#include <string_view>

namespace wendrix {

class CTextLines {
 public:
  explicit CTextLines(std::wstring_view text) noexcept : m_rest(text) {}

  // The next line; false after the last. A final line feed ends the last
  // line rather than starting an empty one.
  bool Next(std::wstring_view& line) noexcept {
    if (m_rest.empty()) return false;
    const std::size_t end = m_rest.find(L'\n');
    line = m_rest.substr(0, end);
    m_rest = end == std::wstring_view::npos ? std::wstring_view() : m_rest.substr(end + 1);
    if (!line.empty() && line.back() == L'\r') line.remove_suffix(1);
    return true;
  }

 private:
  std::wstring_view m_rest;
};

}  // namespace wendrix

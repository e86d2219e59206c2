#include "publisher/hidden_data.h"

#include "core/string_util.h"
#include "core/text_lines.h"

namespace wendrix {
namespace {

std::wstring_view TrimBlanks(std::wstring_view text) noexcept {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

}  // namespace

bool HidesFromThisLibrary(std::wstring_view dataText) noexcept {
  CTextLines lines(dataText);
  std::wstring_view line;
  while (lines.Next(line)) {
    const std::size_t equals = line.find(L'=');
    if (equals == std::wstring_view::npos) continue;
    if (!CStringUtil::EqualsNoCase(TrimBlanks(line.substr(0, equals)), L"Type")) continue;
    std::wstring_view word = TrimBlanks(line.substr(equals + 1));
    if (word.size() >= 2 && word.front() == L'"' && word.back() == L'"') word = word.substr(1, word.size() - 2);
    if (CStringUtil::EqualsNoCase(word, L"Hide")) return true;
  }
  return false;
}

}  // namespace wendrix

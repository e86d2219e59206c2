#include "core/string_util.h"

namespace wendrix {
namespace {

// A character folded and taken as an unsigned 16-bit code unit, so that
// comparisons come out the same on every platform.
unsigned FoldedUnit(wchar_t c) noexcept { return static_cast<unsigned>(CStringUtil::FoldAscii(c)) & 0xFFFFu; }

}  // namespace

std::size_t CStringUtil::Length(const wchar_t* text) noexcept {
  return text ? std::char_traits<wchar_t>::length(text) : 0;
}

std::wstring_view CStringUtil::View(const wchar_t* text) noexcept {
  return text ? std::wstring_view(text) : std::wstring_view();
}

int CStringUtil::CompareNoCase(std::wstring_view a, std::wstring_view b) noexcept {
  const std::size_t n = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < n; ++i) {
    const unsigned ca = FoldedUnit(a[i]);
    const unsigned cb = FoldedUnit(b[i]);
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

bool CStringUtil::EqualsNoCase(std::wstring_view a, std::wstring_view b) noexcept {
  if (a.size() != b.size()) return false;
  // Equal code units need no folding, and most compared names are spelt alike.
  for (std::size_t i = 0; i < a.size(); ++i)
    if (a[i] != b[i] && FoldedUnit(a[i]) != FoldedUnit(b[i])) return false;
  return true;
}

bool CStringUtil::EqualsNoCase(const wchar_t* z, std::wstring_view b) noexcept {
  if (!z) return b.empty();
  std::size_t i = 0;
  for (; i < b.size(); ++i)
    if (z[i] == L'\0' || FoldAscii(z[i]) != FoldAscii(b[i])) return false;
  return z[i] == L'\0';
}

bool CStringUtil::EqualsNoCase(const wchar_t* a, const wchar_t* b) noexcept {
  if (!a || !b) return (a ? *a : L'\0') == (b ? *b : L'\0');
  for (;; ++a, ++b) {
    if (FoldAscii(*a) != FoldAscii(*b)) return false;
    if (*a == L'\0') return true;
  }
}

bool CStringUtil::StartsWithNoCase(std::wstring_view text, std::wstring_view prefix) noexcept {
  return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

bool CStringUtil::EndsWithNoCase(std::wstring_view text, std::wstring_view suffix) noexcept {
  return text.size() >= suffix.size() && EqualsNoCase(text.substr(text.size() - suffix.size()), suffix);
}

std::wstring CStringUtil::Widen(std::string_view ascii) {
  std::wstring out;
  out.reserve(ascii.size());
  for (char c : ascii) out.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
  return out;
}

}  // namespace wendrix

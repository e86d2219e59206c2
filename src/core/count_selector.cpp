#include "core/count_selector.h"


namespace wendrix {
namespace {

bool IsDigit(wchar_t c) noexcept { return c >= L'0' && c <= L'9'; }

// Reads one case text up to its closing colon (not preceded by a backslash),
// dropping the backslash of "\:". Leaves `i` after the colon, or at the end.
std::wstring ReadCaseText(std::wstring_view text, std::size_t& i) {
  std::wstring out;
  while (i < text.size()) {
    const wchar_t c = text[i];
    if (c == L'\\' && i + 1 < text.size() && text[i + 1] == L':') {
      out.push_back(L':');
      i += 2;
      continue;
    }
    ++i;
    if (c == L':') break;
    out.push_back(c);
  }
  return out;
}

struct CaseLabel {
  bool isDefault = false;
  std::int64_t number = 0;
};

// A label and its colon: a number, or any other single character for the
// default case. False when no label can be read here.
bool ReadLabel(std::wstring_view text, std::size_t& i, CaseLabel& label) {
  if (i >= text.size()) return false;
  std::size_t j = i;
  const bool negative = text[j] == L'-' && j + 1 < text.size() && IsDigit(text[j + 1]);
  if (negative) ++j;
  if (IsDigit(text[j])) {
    std::int64_t value = 0;
    while (j < text.size() && IsDigit(text[j])) {
      if (value < (std::int64_t{1} << 40)) value = value * 10 + (text[j] - L'0');
      ++j;
    }
    label = {false, negative ? -value : value};
  } else {
    label = {true, 0};
    ++j;
  }
  if (j >= text.size() || text[j] != L':') return false;
  i = j + 1;
  return true;
}

// At text[i] == '@': the insert number of a selector start "@%N:", or 0.
unsigned SelectorStart(std::wstring_view text, std::size_t i, std::size_t& after) noexcept {
  if (i + 3 >= text.size() || text[i + 1] != L'%' || !IsDigit(text[i + 2])) return 0;
  unsigned n = text[i + 2] - L'0';
  std::size_t j = i + 3;
  if (IsDigit(text[j])) {
    n = n * 10 + (text[j] - L'0');
    ++j;
  }
  if (n == 0 || j >= text.size() || text[j] != L':') return 0;
  after = j + 1;
  return n;
}

}  // namespace

unsigned HighestInsertNumber(std::wstring_view text) noexcept {
  unsigned highest = 0;
  for (std::size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != L'%' || !IsDigit(text[i + 1])) continue;
    unsigned n = text[i + 1] - L'0';
    if (i + 2 < text.size() && IsDigit(text[i + 2])) n = n * 10 + (text[i + 2] - L'0');
    if (n > highest) highest = n;
  }
  return highest;
}

std::wstring ApplyCountSelectors(std::wstring_view text, std::span<const std::int32_t> inserts) {
  std::wstring out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t after = 0;
    const unsigned insert = text[i] == L'@' ? SelectorStart(text, i, after) : 0;
    if (insert == 0) {
      out.push_back(text[i++]);
      continue;
    }
    const std::int64_t value = insert <= inserts.size() ? inserts[insert - 1] : 0;
    i = after;
    bool chosen = false;
    CaseLabel label;
    while (ReadLabel(text, i, label)) {
      std::wstring caseText = ReadCaseText(text, i);
      const bool matches = !chosen && (label.isDefault || label.number == value);
      if (matches) {
        out += caseText;
        chosen = true;
      }
      if (label.isDefault) break;  // the default case ends the selector
    }
  }
  return out;
}

}  // namespace wendrix

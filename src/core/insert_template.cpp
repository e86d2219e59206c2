#include "core/insert_template.h"

namespace wendrix {
namespace {

constexpr bool IsDigit(wchar_t c) noexcept { return c >= L'0' && c <= L'9'; }

// Skips at most three digits; false when a fourth follows (a width that
// could make the text as long as it likes).
bool SkipNumber(std::wstring_view spec, std::size_t& at) noexcept {
  std::size_t digits = 0;
  while (at < spec.size() && IsDigit(spec[at])) {
    ++at;
    ++digits;
  }
  return digits <= 3;
}

// True for a format (the text between the two "!") that reads one insert
// and nothing else.
bool IsSafeFormat(std::wstring_view spec) noexcept {
  std::size_t at = 0;
  while (at < spec.size() && std::wstring_view(L"-+ #0").find(spec[at]) != std::wstring_view::npos) ++at;
  if (!SkipNumber(spec, at)) return false;
  if (at < spec.size() && spec[at] == L'.') {
    ++at;
    if (!SkipNumber(spec, at)) return false;
  }
  if (at < spec.size() && (spec[at] == L'h' || spec[at] == L'l' || spec[at] == L'w')) ++at;
  return at + 1 == spec.size() && std::wstring_view(L"diouxXcCsS").find(spec[at]) != std::wstring_view::npos;
}

}  // namespace

std::wstring CheckedInsertTemplate(std::wstring_view text, std::size_t count) {
  std::wstring out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    if (text[i] != L'%') {
      out += text[i++];
      continue;
    }
    if (i + 1 == text.size()) break;  // a lone "%" at the end
    const wchar_t next = text[i + 1];
    if (!IsDigit(next) || next == L'0') {  // an escape, "%0" (the end) included
      out.append(text.substr(i, 2));
      i += 2;
      continue;
    }
    // An insert: one or two digits, then perhaps "!format!".
    std::size_t end = i + 2;
    std::size_t number = static_cast<std::size_t>(next - L'0');
    if (end < text.size() && IsDigit(text[end])) number = number * 10 + static_cast<std::size_t>(text[end++] - L'0');
    bool keep = number <= count;
    if (end < text.size() && text[end] == L'!') {
      const std::size_t close = text.find(L'!', end + 1);
      if (close == std::wstring_view::npos) {
        keep = false;
        end += 1;
      } else {
        keep = keep && IsSafeFormat(text.substr(end + 1, close - end - 1));
        end = close + 1;
      }
    }
    if (keep) out.append(text.substr(i, end - i));
    i = end;
  }
  return out;
}

}  // namespace wendrix

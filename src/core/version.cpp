#include "core/version.h"

#include <algorithm>
#include <new>

#include "core/string_util.h"

namespace wendrix {
namespace {

constexpr bool EndsVersion(wchar_t c) noexcept { return c == L' ' || c == L'\r' || c == L'\n' || c == L'\0'; }
constexpr bool EndsLine(wchar_t c) noexcept { return c == L'\r' || c == L'\n' || c == L'\0'; }

wchar_t At(std::wstring_view text, std::size_t i) noexcept { return i < text.size() ? text[i] : L'\0'; }

// The text comparison used when either side is not a version.
int CompareAsText(std::wstring_view a, std::wstring_view b) noexcept {
  std::size_t i = 0, j = 0;
  if (IsDecimalDigit(At(a, 0)) && IsDecimalDigit(At(b, 0))) {
    // Leading numbers compare by value, so "10a" is newer than "9z". Values
    // past 64 bits saturate; such numbers then compare by their text below.
    auto readNumber = [](std::wstring_view t, std::size_t& k) {
      std::uint64_t v = 0;
      for (; IsDecimalDigit(At(t, k)); ++k) v = v > (UINT64_MAX - 9) / 10 ? UINT64_MAX : v * 10 + (t[k] - L'0');
      return v;
    };
    const std::uint64_t na = readNumber(a, i), nb = readNumber(b, j);
    if (na != nb) return na < nb ? kVersionOlder : kVersionNewer;
  }
  for (;; ++i, ++j) {
    const wchar_t ca = At(a, i), cb = At(b, j);
    const bool endA = EndsLine(ca), endB = EndsLine(cb);
    if (endA || endB) return endA == endB ? kVersionEqual : (endA ? kVersionOlder : kVersionNewer);
    const unsigned ua = static_cast<unsigned>(ca) & 0xFFFFu, ub = static_cast<unsigned>(cb) & 0xFFFFu;
    if (ua != ub) return ua < ub ? kVersionOlder : kVersionNewer;
  }
}

bool IsWellFormed(std::wstring_view text, VersionParts& parts) noexcept;

// An absent side is 0.0.0.0 against a version, and the empty text when the
// other side is not a version (so it is then the older one).
int CompareVersionTexts(std::wstring_view a, bool hasA, std::wstring_view b, bool hasB) noexcept {
  VersionParts pa{}, pb{};
  const bool okA = !hasA || IsWellFormed(a, pa);
  const bool okB = !hasB || IsWellFormed(b, pb);
  if (!okA || !okB) return CompareAsText(a, b);
  for (std::size_t k = 0; k < 4; ++k)
    if (pa[k] != pb[k]) return pa[k] < pb[k] ? kVersionOlder : kVersionNewer;
  return kVersionEqual;
}

}  // namespace

std::size_t ParseVersion(std::wstring_view text, VersionParts* out) noexcept {
  VersionParts parts{};
  std::size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  for (std::size_t component = 0;; ++component) {
    if (!IsDecimalDigit(At(text, i))) return 0;
    const std::size_t start = i;
    std::uint64_t value = 0;
    for (; IsDecimalDigit(At(text, i)); ++i) {
      value = value * 10 + static_cast<std::uint64_t>(text[i] - L'0');
      if (value > 0xFFFFFFFFull) return 0;
    }
    if (value != 0 && text[start] == L'0') return 0;
    parts[component] = static_cast<std::uint32_t>(value);
    const wchar_t next = At(text, i);
    if (component < 3 && next == L'.') {
      ++i;
      continue;
    }
    if (!EndsVersion(next)) return 0;
    break;
  }
  if (out) *out = parts;
  return i;
}

namespace {
// A version followed only by the end of its line.
bool IsWellFormed(std::wstring_view text, VersionParts& parts) noexcept {
  const std::size_t n = ParseVersion(text, &parts);
  return n != 0 && EndsLine(At(text, n));
}
}  // namespace

bool IsValidVersionField(std::wstring_view text) noexcept {
  if (text.empty()) return true;
  const std::size_t n = ParseVersion(text);
  return n != 0 && n == text.size();
}

std::wstring FormatVersion(const VersionParts& parts, std::size_t count) {
  count = std::clamp<std::size_t>(count, 1, 4);
  std::wstring out;
  for (std::size_t k = 0; k < count; ++k) {
    if (k) out.push_back(L'.');
    out += CStringUtil::Widen(std::to_string(parts[k]));
  }
  return out;
}

// An empty text is an absent version: the model may hold either.
int CompareVersions(const wchar_t* a, const wchar_t* b) noexcept {
  return CompareVersions(CStringUtil::View(a), CStringUtil::View(b));
}

int CompareVersions(std::wstring_view a, std::wstring_view b) noexcept {
  return CompareVersionTexts(a, !a.empty(), b, !b.empty());
}

std::uint32_t CountPrefixComponents(std::wstring_view prefix) noexcept {
  std::uint32_t count = 1;
  for (std::size_t i = 0; i + 1 < prefix.size(); ++i)
    if (prefix[i] == L'.') ++count;
  return count;
}

std::wstring FormatVersionForDisplay(const DisplayVersionStyle* style, const VersionParts& parts) {
  if (style) {
    for (const VersionReplacement& r : style->replacements) {
      const std::size_t n = std::clamp<std::size_t>(r.prefixCount, 1, 4);
      if (std::equal(r.prefix.begin(), r.prefix.begin() + n, parts.begin())) return r.text;
    }
  }
  return FormatVersion(parts, style ? style->size : 4);
}

std::size_t FormatVersionForDisplay(const DisplayVersionStyle* style, const VersionParts& parts, wchar_t* buffer,
                                    std::size_t capacity) noexcept {
  if (capacity == 0) return 0;
  std::wstring text;
  try {
    text = FormatVersionForDisplay(style, parts);
  } catch (const std::bad_alloc&) {
    text.clear();
  }
  const std::size_t length = std::min(text.size(), capacity - 1);
  std::copy_n(text.data(), length, buffer);
  buffer[length] = L'\0';
  return length;
}

}  // namespace wendrix

#include "update/error_url.h"


#include "core/string_util.h"

namespace wendrix {
namespace {

constexpr std::wstring_view kAlwaysEscaped = L"%/\\?#[]\"`^<>{|}";
constexpr char32_t kReplacement = 0xFFFD;

constexpr wchar_t kHex[] = L"0123456789ABCDEF";

void AppendEscapedByte(std::wstring& out, unsigned byte) {
  out += L'%';
  out += kHex[(byte >> 4) & 0xF];
  out += kHex[byte & 0xF];
}

void AppendEscapedUtf8(std::wstring& out, char32_t c) {
  if (c < 0x80) {
    AppendEscapedByte(out, c);
  } else if (c < 0x800) {
    AppendEscapedByte(out, 0xC0 | (c >> 6));
    AppendEscapedByte(out, 0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    AppendEscapedByte(out, 0xE0 | (c >> 12));
    AppendEscapedByte(out, 0x80 | ((c >> 6) & 0x3F));
    AppendEscapedByte(out, 0x80 | (c & 0x3F));
  } else {
    AppendEscapedByte(out, 0xF0 | (c >> 18));
    AppendEscapedByte(out, 0x80 | ((c >> 12) & 0x3F));
    AppendEscapedByte(out, 0x80 | ((c >> 6) & 0x3F));
    AppendEscapedByte(out, 0x80 | (c & 0x3F));
  }
}

constexpr bool IsHighSurrogate(char32_t c) noexcept { return c >= 0xD800 && c <= 0xDBFF; }
constexpr bool IsLowSurrogate(char32_t c) noexcept { return c >= 0xDC00 && c <= 0xDFFF; }

// The character at text[i], advancing i past it. Text is UTF-16 code units on
// Windows; the host's 32-bit wchar_t may hold either code units or whole code
// points, and both read the same here. A lone surrogate or a value beyond
// Unicode becomes U+FFFD, as the system's UTF-8 converter writes it.
char32_t NextCharacter(std::wstring_view text, std::size_t& i) noexcept {
  const char32_t c = static_cast<char32_t>(text[i++]);
  if (IsHighSurrogate(c) && i < text.size()) {
    const char32_t low = static_cast<char32_t>(text[i]);
    if (IsLowSurrogate(low)) {
      ++i;
      return 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
    }
  }
  if (IsHighSurrogate(c) || IsLowSurrogate(c) || c > 0x10FFFF) return kReplacement;
  return c;
}

void AppendSlashIfNeeded(std::wstring& url) {
  if (url.empty() || url.back() != L'/') url += L'/';
}

std::wstring_view WithoutHttp(std::wstring_view address) noexcept {
  if (CStringUtil::StartsWithNoCase(address, L"http://")) address.remove_prefix(7);
  return address;
}

// "0x" and the digits without leading zeros, as "0x%X" writes them.
void AppendHex(std::wstring& out, std::uint32_t value) {
  out += L"0x";
  int shift = 28;
  while (shift > 0 && ((value >> shift) & 0xF) == 0) shift -= 4;
  for (; shift >= 0; shift -= 4) out += kHex[(value >> shift) & 0xF];
}

void AppendParameter(std::wstring& url, std::wstring_view name, std::wstring_view value) {
  if (value.empty()) return;
  url += L'&';
  url += name;
  url += L'=';
  url += UrlEscape(value, true);
}

}  // namespace

std::wstring UrlEscape(std::wstring_view text, bool queryMode) {
  std::wstring out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const char32_t c = NextCharacter(text, i);
    if (c >= 127) {
      AppendEscapedUtf8(out, c);
    } else if (c < 32 || kAlwaysEscaped.find(static_cast<wchar_t>(c)) != std::wstring_view::npos ||
               (queryMode && c == U' ') || (!queryMode && c == U'_')) {
      AppendEscapedByte(out, c);
    } else if (!queryMode && c == U' ') {
      out += L'_';
    } else {
      out += static_cast<wchar_t>(c);
    }
  }
  return out;
}

std::wstring BuildErrorUrl(std::wstring_view siteAddress, std::wstring_view languageName, std::wstring_view path,
                           const ErrorPageFacts& facts) {
  std::wstring url(siteAddress);
  if (!languageName.empty() && !CStringUtil::EqualsNoCase(languageName, L"en")) {
    AppendSlashIfNeeded(url);
    url += languageName;
  }
  AppendSlashIfNeeded(url);
  url += path;
  AppendSlashIfNeeded(url);

  url += L"?code=";
  AppendHex(url, static_cast<std::uint32_t>(facts.result));
  if (facts.line > 0) url += L"&line=" + std::to_wstring(facts.line);
  if (CStringUtil::EqualsNoCase(facts.file, L"setup")) url += L"&setup=true";
  else AppendParameter(url, L"url", WithoutHttp(facts.file));
  AppendParameter(url, L"id", facts.publisherId);
  AppendParameter(url, L"name", facts.publisherName);
  AppendParameter(url, L"web", WithoutHttp(facts.publisherHomePage));
  return url;
}

}  // namespace wendrix

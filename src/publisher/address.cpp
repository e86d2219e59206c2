#include "publisher/address.h"

#include "core/string_util.h"

namespace wendrix {
namespace {

bool SkipPrefix(std::wstring_view& text, std::wstring_view prefix) noexcept {
  if (!CStringUtil::StartsWithNoCase(text, prefix)) return false;
  text.remove_prefix(prefix.size());
  return true;
}

}  // namespace

std::wstring_view NormaliseAddress(std::wstring_view address) noexcept {
  std::wstring_view rest = address;
  constexpr std::wstring_view kSchemes[] = {L"http://", L"https://", L"ftp://", L"file://"};
  std::wstring_view scheme;
  for (std::wstring_view candidate : kSchemes) {
    if (SkipPrefix(rest, candidate)) {
      scheme = candidate;
      break;
    }
  }
  if (SkipPrefix(rest, L"www.") || SkipPrefix(rest, L"download.") || SkipPrefix(rest, L"update.")) return rest;
  if (scheme == L"https://") SkipPrefix(rest, L"secure.");
  else if (scheme == L"ftp://") SkipPrefix(rest, L"ftp.");
  return rest;
}

}  // namespace wendrix

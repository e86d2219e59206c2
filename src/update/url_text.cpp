#include "update/url_text.h"

#include "core/string_util.h"

namespace wendrix {

std::uint32_t WinInetErrorForStatus(std::uint32_t status) noexcept {
  if (status < 300) return 0;
  switch (status) {
    case 300:
    case 400: return 12027;  // ERROR_INTERNET_INCORRECT_FORMAT
    case 401:
    case 403:
    case 407: return 12015;  // ERROR_INTERNET_LOGIN_FAILURE
    case 404: return 12028;  // ERROR_INTERNET_ITEM_NOT_FOUND
    case 405: return 12008;  // ERROR_INTERNET_PROTOCOL_NOT_FOUND
    case 504: return 12002;  // ERROR_INTERNET_TIMEOUT
    default: return 12029;   // ERROR_INTERNET_CANNOT_CONNECT
  }
}

bool IsFileUrl(std::wstring_view url) noexcept {
  return url.size() >= 5 && CStringUtil::EqualsNoCase(url.substr(0, 5), L"file:");
}

std::wstring FileUrlPath(std::wstring_view url) {
  std::wstring_view path = url.substr(5);
  if (path.substr(0, 2) == L"//") path.remove_prefix(2);
  return std::wstring(path);
}

bool MayFetchFrom(std::wstring_view source, std::wstring_view address) noexcept {
  if (IsFileUrl(source)) return true;
  for (std::wstring_view scheme : {L"http://", L"https://", L"ftp://"})
    if (CStringUtil::StartsWithNoCase(address, scheme)) return true;
  return false;
}

std::wstring HostNameFromText(std::wstring_view url) {
  const std::size_t scheme = url.find(L"://");
  if (scheme == std::wstring_view::npos) return {};
  std::wstring_view rest = url.substr(scheme + 3);
  rest = rest.substr(0, rest.find(L'/'));
  if (const std::size_t at = rest.find(L'@'); at != std::wstring_view::npos) rest.remove_prefix(at + 1);
  if (const std::size_t colon = rest.find(L':');
      colon != std::wstring_view::npos && rest.substr(colon).find(L'\\') == std::wstring_view::npos)
    rest = rest.substr(0, colon);
  return std::wstring(rest);
}

}  // namespace wendrix

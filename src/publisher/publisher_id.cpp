#include "publisher/publisher_id.h"

#include "platform/path_containment.h"

namespace wendrix {
namespace {

bool IsIdCharacter(wchar_t c) noexcept {
  return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z') || (c >= L'0' && c <= L'9') || c == L'.' ||
         c == L'-' || c == L'_';
}

}  // namespace

bool IsSafePublisherId(std::wstring_view id) noexcept {
  if (id.empty() || id.size() > kPublisherIdMaxLength) return false;
  for (wchar_t c : id)
    if (!IsIdCharacter(c)) return false;
  if (id.front() == L'.' || id.back() == L'.' || id.find(L"..") != std::wstring_view::npos) return false;
  // Each part on its own: "<ID>.ini" begins with the first, and a file name
  // such as "CON.1.ini" opens the console on older systems.
  for (std::size_t start = 0; start <= id.size();) {
    const std::size_t dot = id.find(L'.', start);
    const std::size_t end = dot == std::wstring_view::npos ? id.size() : dot;
    if (IsDosDeviceName(id.substr(start, end - start))) return false;
    start = end + 1;
  }
  return true;
}

}  // namespace wendrix

#include "sysinfo/pnp_match.h"

#include <algorithm>

#include "core/string_util.h"

namespace wendrix {
namespace {

constexpr bool IsRevisionCharacter(wchar_t c) noexcept {
  return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z') || IsDecimalDigit(c) || c == L'.' || c == L'-';
}

constexpr std::size_t kMinimumPadding = 5;

}  // namespace

bool MatchesDevicePattern(std::wstring_view pattern, std::wstring_view text) noexcept {
  if (pattern.empty()) return true;
  if (text.empty()) return false;
  const bool leading = pattern.front() == L'*';
  if (leading) pattern.remove_prefix(1);
  const bool trailing = !pattern.empty() && pattern.back() == L'*';
  if (trailing) pattern.remove_suffix(1);
  if (pattern.find(L'*') != std::wstring_view::npos) return false;
  if (pattern.empty()) return true;  // "*" or "**"
  const std::size_t at = text.find(pattern);
  if (at == std::wstring_view::npos) return false;
  if (!leading && at != 0) return false;
  if (!trailing && at + pattern.size() != text.size()) return false;
  return true;
}

std::optional<std::wstring> DeviceRevision(std::wstring_view deviceId) {
  constexpr std::wstring_view kRevision = L"&REV_";
  if (const std::size_t at = deviceId.find(kRevision); at != std::wstring_view::npos) {
    const std::wstring_view rest = deviceId.substr(at + kRevision.size());
    return std::wstring(rest.substr(0, rest.find_first_of(L"\\&")));
  }
  std::size_t i = 0;
  while (i < deviceId.size()) {
    if (deviceId[i] != L'_') {
      ++i;
      continue;
    }
    const std::size_t padding = deviceId.find_first_not_of(L'_', i);
    const std::size_t end = padding == std::wstring_view::npos ? deviceId.size() : padding;
    if (end - i >= kMinimumPadding) {
      std::size_t last = end;
      while (last < deviceId.size() && IsRevisionCharacter(deviceId[last])) ++last;
      if (last > end) return std::wstring(deviceId.substr(end, last - end));
    }
    i = end;
  }
  return std::nullopt;
}

std::optional<std::wstring> DeviceIdWithoutInstance(std::wstring_view deviceId) {
  if (std::count(deviceId.begin(), deviceId.end(), L'\\') < 2) return std::nullopt;
  return std::wstring(deviceId.substr(0, deviceId.rfind(L'\\')));
}

std::optional<std::wstring> DeviceClassName(std::wstring_view className) {
  for (std::wstring_view prefix : {std::wstring_view(L"Win32_"), std::wstring_view(L"Cim_")}) {
    if (CStringUtil::StartsWithNoCase(className, prefix)) return std::wstring(className.substr(prefix.size()));
  }
  return std::nullopt;
}

}  // namespace wendrix

#include "core/placeholders.h"

#include <algorithm>
#include <mutex>

#include "resources/version.h"

namespace wendrix {
namespace {

#define WX_WIDEN2(x) L##x
#define WX_WIDEN(x) WX_WIDEN2(x)

constexpr std::wstring_view kProductName = L"Wendrix";
constexpr std::wstring_view kProductVersion = WX_WIDEN(WX_VERSION_TEXT);
constexpr std::wstring_view kFirstYear = L"2009";
constexpr std::wstring_view kLastYear = L"2026";
constexpr std::size_t kBrandedNameLimit = 99;
constexpr std::size_t kBrandedIconLimit = 259;

// The branding is set once by a user interface and read by every text it
// shows; the strings are copied out under the lock.
struct Branding {
  std::mutex lock;
  std::wstring name, icon;
};
Branding& TheBranding() {
  static Branding branding;
  return branding;
}

// A thread's copy of the branded name, so that ProductPlaceholders can hand
// out a view that stays valid while the thread uses it.
thread_local std::wstring tl_applicationName;

}  // namespace

PlaceholderValues ProductPlaceholders() noexcept {
  Branding& b = TheBranding();
  try {
    std::lock_guard guard(b.lock);
    tl_applicationName = b.name.empty() ? std::wstring(kProductName) : b.name;
  } catch (...) {
    tl_applicationName.clear();
  }
  const std::wstring_view name = tl_applicationName.empty() ? kProductName : std::wstring_view(tl_applicationName);
  return {name, kProductVersion, kFirstYear, kLastYear};
}

void SetBrandedName(std::wstring_view name, std::wstring_view iconPath) {
  Branding& b = TheBranding();
  std::lock_guard guard(b.lock);
  b.name.assign(name.substr(0, kBrandedNameLimit));
  b.icon.assign(iconPath.substr(0, kBrandedIconLimit));
}

std::wstring BrandedIconPath() {
  Branding& b = TheBranding();
  std::lock_guard guard(b.lock);
  return b.icon;
}

std::wstring ExpandPlaceholders(std::wstring_view text, const PlaceholderValues& values) {
  std::wstring out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const std::size_t percent = text.find(L'%', i);
    if (percent == std::wstring_view::npos || percent + 3 > text.size()) break;
    out.append(text.substr(i, percent - i));
    const std::wstring_view token = text.substr(percent, 3);
    const std::wstring_view* value = token == L"%an"   ? &values.applicationName
                                     : token == L"%av" ? &values.version
                                     : token == L"%y0" ? &values.firstYear
                                     : token == L"%y1" ? &values.lastYear
                                                       : nullptr;
    if (value) {
      out.append(*value);
      i = percent + 3;
    } else {
      out.push_back(L'%');
      i = percent + 1;
    }
  }
  out.append(text.substr(std::min(i, text.size())));
  return out;
}

std::size_t ExpandPlaceholders(std::wstring_view text, const PlaceholderValues& values, wchar_t* buffer,
                               std::size_t capacity) {
  if (!buffer || capacity == 0) return 0;
  const std::wstring expanded = ExpandPlaceholders(text, values);
  const std::size_t length = std::min(expanded.size(), capacity - 1);
  std::copy_n(expanded.data(), length, buffer);
  buffer[length] = L'\0';
  return length;
}

}  // namespace wendrix

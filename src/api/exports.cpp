// The publisher query exports: versions and addresses for applications'
// menus, opening those addresses, and the information export of the
// product's own components.
#include <optional>
#include <string>

#include "api/info_enumeration.h"
#include "api/publisher_queries.h"
#include "frame/export_guard.h"
#include "frame/global_string.h"
#include "wendrix.h"

using namespace wendrix;

namespace {

constexpr UINT32 kInfoGet = 0;
constexpr UINT32 kInfoFree = 1;

// Hands a text over as the caller's global string; none leaves *out null.
HRESULT HandOver(const std::optional<std::wstring>& text, WCHAR** out) noexcept {
  if (!text) return S_OK;
  CGlobalString copy;
  RETURN_IF_FAILED(copy.Assign(*text));
  *out = copy.Detach();
  return S_OK;
}

}  // namespace

extern "C" HRESULT WINAPI WendrixVersion(const WCHAR* publisher, const WCHAR* item, UINT32 flags, WCHAR** out) {
  return GuardedCall([&]() -> HRESULT {
    if (!out) return E_POINTER;
    *out = nullptr;
    std::optional<std::wstring> version;
    RETURN_IF_FAILED(QueryVersion(publisher, item, flags, version));
    return HandOver(version, out);
  });
}

extern "C" HRESULT WINAPI WendrixURL(const WCHAR* publisher, const WCHAR* item, UINT32 flags, WCHAR** out) {
  return GuardedCall([&]() -> HRESULT {
    if (flags == 0) return E_INVALIDARG;
    if (!out) return E_POINTER;
    *out = nullptr;
    std::optional<std::wstring> address;
    RETURN_IF_FAILED(QueryAddress(publisher, item, flags, address));
    return HandOver(address, out);
  });
}

extern "C" HRESULT WINAPI WendrixOpen(const WCHAR* publisher, const WCHAR* item, UINT32 flags) {
  return GuardedCall([&] { return OpenAddress(publisher, item, flags, ShellOpen); });
}

extern "C" HRESULT WINAPI WendrixBuy(const WCHAR* publisher, const WCHAR* item, UINT32 flags) {
  return GuardedCall([&]() -> HRESULT {
    if (flags == 0) return E_INVALIDARG;
    return WendrixOpen(publisher, item, WENDRIX_URL_PURCHASE);
  });
}

extern "C" HRESULT WINAPI WendrixInfo(UINT32 operation, UINT32 query, const WCHAR* publisher, const WCHAR* group,
                                      UINT_PTR value, void* out) {
  (void)value;
  return GuardedCall([&]() -> HRESULT {
    switch (operation) {
      case kInfoGet: return GetInfo(query, publisher, group, out);
      case kInfoFree: return FreeInfo(query, out);
      default: return E_INVALIDARG;
    }
  });
}

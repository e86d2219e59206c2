// Exports served by the frame itself: where the product files are.
#include <memory>
#include <new>
#include <string>

#include "frame/ansi.h"
#include "frame/export_guard.h"
#include "frame/installed_copy.h"
#include "frame/product_folder.h"
#include "wendrix.h"

using namespace wendrix;

extern "C" HRESULT WINAPI WendrixGetInfoEx(WCHAR* buffer, UINT32* size, UINT32 selector) {
  return GuardedCall([&]() -> HRESULT {
    HRESULT forwarded = S_OK;
    if (ForwardToInstalledCopy<decltype(&WendrixGetInfoEx)>("WendrixGetInfoEx", &forwarded, buffer, size, selector))
      return forwarded;
    if (!size || (selector & kInfoKindMask) > kInfoMaxKind) return E_INVALIDARG;
    std::wstring path;
    RETURN_IF_FAILED(GetProductPath(selector, path));
    const UINT32 needed = static_cast<UINT32>(path.size() + 1);
    if (buffer) {
      if (*size < needed) return kBufferTooSmall;
      path.copy(buffer, path.size());
      buffer[path.size()] = L'\0';
    }
    *size = needed;
    return S_OK;
  });
}

extern "C" HRESULT WINAPI WendrixGetInfo(CHAR* buffer, UINT32* size, UINT32 selector) {
  return GuardedCall([&]() -> HRESULT {
    if (!buffer || !size) return WendrixGetInfoEx(nullptr, size, selector);
    std::unique_ptr<WCHAR[]> wide(new (std::nothrow) WCHAR[*size ? *size : 1]);
    if (!wide) return E_OUTOFMEMORY;
    RETURN_IF_FAILED(WendrixGetInfoEx(wide.get(), size, selector));
    return WideToAnsi(wide.get(), buffer, static_cast<int>(*size)) ? S_OK : E_FAIL;
  });
}

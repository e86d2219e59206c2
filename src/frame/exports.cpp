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
    if (!size) return WendrixGetInfoEx(nullptr, size, selector);
    // Here sizes count bytes: in a multibyte code page the ANSI path takes
    // more of them than the wide one has characters. So the wide path comes
    // first, at the size it needs, and its ANSI size is what counts.
    UINT32 capacity = 0;
    RETURN_IF_FAILED(WendrixGetInfoEx(nullptr, &capacity, selector));
    // The answer may come from an installed copy: no size is taken on trust.
    constexpr UINT32 kLongestPath = 32768;
    if (capacity == 0 || capacity > kLongestPath) return E_FAIL;
    std::unique_ptr<WCHAR[]> wide(new (std::nothrow) WCHAR[capacity]());
    if (!wide) return E_OUTOFMEMORY;
    UINT32 wideSize = capacity;
    RETURN_IF_FAILED(WendrixGetInfoEx(wide.get(), &wideSize, selector));
    wide[capacity - 1] = L'\0';
    const int bytes = AnsiSize(wide.get());
    if (bytes <= 0) return E_FAIL;
    if (buffer) {
      if (*size < static_cast<UINT32>(bytes)) return kBufferTooSmall;
      if (!WideToAnsi(wide.get(), buffer, bytes)) return E_FAIL;
    }
    *size = static_cast<UINT32>(bytes);
    return S_OK;
  });
}

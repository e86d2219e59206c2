#include "publisher/msi_library.h"

#include <vector>

#include "platform/system_library.h"

namespace wendrix {
namespace {

template <typename Fn>
Fn Bind(HMODULE module, const char* name) noexcept {
  if (module == nullptr) return nullptr;
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

constexpr int kInstallStateUnknown = -1;

}  // namespace

MsiLibrary::MsiLibrary() : m_module(LoadSystemLibrary(L"msi.dll")) {
  m_getProductInfo = Bind<GetProductInfoFn>(m_module.Get(), "MsiGetProductInfoW");
  m_queryFeatureState = Bind<QueryFeatureStateFn>(m_module.Get(), "MsiQueryFeatureStateW");
  m_getComponentPath = Bind<GetComponentPathFn>(m_module.Get(), "MsiGetComponentPathW");
}

std::optional<std::wstring> MsiLibrary::ProductInfo(const std::wstring& product, const wchar_t* property,
                                                    DWORD capacity) const {
  if (m_getProductInfo == nullptr || capacity == 0) return std::nullopt;
  std::vector<wchar_t> buffer(capacity, L'\0');
  DWORD length = capacity;
  if (m_getProductInfo(product.c_str(), property, buffer.data(), &length) != ERROR_SUCCESS || length >= capacity)
    return std::nullopt;
  return std::wstring(buffer.data(), length);
}

int MsiLibrary::FeatureState(const std::wstring& product, const std::wstring& feature) const {
  if (m_queryFeatureState == nullptr) return kInstallStateUnknown;
  return m_queryFeatureState(product.c_str(), feature.c_str());
}

int MsiLibrary::ComponentPath(const std::wstring& product, const std::wstring& component, std::wstring& path) const {
  path.clear();
  if (m_getComponentPath == nullptr) return kInstallStateUnknown;
  // A path longer than the first buffer is asked for again at its reported length.
  constexpr int kInstallStateMoreData = -3;
  std::vector<wchar_t> buffer(MAX_PATH + 1, L'\0');
  int state = kInstallStateUnknown;
  for (int attempt = 0; attempt < 2; ++attempt) {
    DWORD length = static_cast<DWORD>(buffer.size());
    state = m_getComponentPath(product.c_str(), component.c_str(), buffer.data(), &length);
    if (state != kInstallStateMoreData || length < buffer.size()) break;
    buffer.assign(static_cast<std::size_t>(length) + 1, L'\0');
  }
  if (state == kInstallStateMoreData) return state;
  path.assign(buffer.data(), wcsnlen(buffer.data(), buffer.size()));
  return state;
}

}  // namespace wendrix

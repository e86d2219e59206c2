#pragma once
// Windows Installer (msi.dll), bound at run time: the library is loaded when
// an object is made and released with it. Each query fails, rather than
// throwing, when the function it needs is missing.
#include <windows.h>

#include <optional>
#include <string>

#include "platform/unique_handle.h"

namespace wendrix {

// Installation states that Windows Installer reports (INSTALLSTATE_*).
inline constexpr int kInstallStateAdvertised = 1;
inline constexpr int kInstallStateLocal = 3;
inline constexpr int kInstallStateSource = 4;

class MsiLibrary {
 public:
  // Loads "msi.dll" with the normal library search.
  MsiLibrary();
  MsiLibrary(const MsiLibrary&) = delete;
  MsiLibrary& operator=(const MsiLibrary&) = delete;

  bool HasProductInfo() const noexcept { return m_getProductInfo != nullptr; }
  bool HasFeatureState() const noexcept { return m_queryFeatureState != nullptr; }
  bool HasComponentPath() const noexcept { return m_getComponentPath != nullptr; }

  // A product property (MsiGetProductInfoW) that fits in `capacity`
  // characters with its terminator; nothing on any failure.
  std::optional<std::wstring> ProductInfo(const std::wstring& product, const wchar_t* property,
                                          DWORD capacity) const;
  // MsiQueryFeatureStateW; -1 (unknown) when the function is missing.
  int FeatureState(const std::wstring& product, const std::wstring& feature) const;
  // MsiGetComponentPathW: the state it reports, and in `path` the path when
  // there is one. -1 (unknown) when the function is missing.
  int ComponentPath(const std::wstring& product, const std::wstring& component, std::wstring& path) const;

 private:
  using GetProductInfoFn = UINT(WINAPI*)(LPCWSTR product, LPCWSTR property, LPWSTR buffer, LPDWORD size);
  using QueryFeatureStateFn = int(WINAPI*)(LPCWSTR product, LPCWSTR feature);
  using GetComponentPathFn = int(WINAPI*)(LPCWSTR product, LPCWSTR component, LPWSTR buffer, LPDWORD size);

  UniqueModule m_module;
  GetProductInfoFn m_getProductInfo = nullptr;
  QueryFeatureStateFn m_queryFeatureState = nullptr;
  GetComponentPathFn m_getComponentPath = nullptr;
};

}  // namespace wendrix

#include "install/product_scope.h"

#include <shlobj.h>

#include "platform/known_folders.h"
#include "platform/system_facts.h"

namespace wendrix {

HRESULT SharedDataFolder(ProductScope scope, std::wstring& folder) {
  std::wstring base;
  if (!KnownFolderPath(scope == ProductScope::kMachine ? CSIDL_COMMON_APPDATA : CSIDL_LOCAL_APPDATA, base) ||
      base.empty())
    return E_FAIL;
  if (base.back() == L'\\') base.pop_back();
  base += L"\\Kestmoor\\Wendrix\\";
  if (base.size() >= MAX_PATH - 1) return kBufferTooSmall;
  folder = std::move(base);
  return S_OK;
}

bool IsSystem64() noexcept {
  const auto architecture = NativeProcessorArchitecture();
  return architecture && (*architecture == PROCESSOR_ARCHITECTURE_AMD64);
}

REGSAM ProductRegistryView() noexcept { return IsSystem64() ? KEY_WOW64_32KEY : 0; }

}  // namespace wendrix

#include "frame/installed_copy.h"

#include <string>

#include "core/version.h"
#include "frame/module_state.h"
#include "frame/product_folder.h"
#include "platform/file_version.h"

namespace wendrix {
namespace {

// The library's own activation context (from its manifest resource), active
// for the lifetime of the object. Loading the installed copy inside it makes
// that copy bind the same side-by-side assemblies as this one.
class ActivationScope {
 public:
  ActivationScope() {
    ACTCTXW context{};
    context.cbSize = sizeof(context);
    context.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
    context.hModule = Module().module;
    context.lpResourceName = MAKEINTRESOURCEW(2);  // ISOLATIONAWARE_MANIFEST_RESOURCE_ID
    m_context = context.hModule ? CreateActCtxW(&context) : INVALID_HANDLE_VALUE;
    if (m_context != INVALID_HANDLE_VALUE && !ActivateActCtx(m_context, &m_cookie)) m_cookie = 0;
  }
  ActivationScope(const ActivationScope&) = delete;
  ActivationScope& operator=(const ActivationScope&) = delete;
  ~ActivationScope() {
    const DWORD lastError = GetLastError();  // the load's error survives the deactivation
    if (m_cookie) DeactivateActCtx(0, m_cookie);
    if (m_context != INVALID_HANDLE_VALUE) ReleaseActCtx(m_context);
    SetLastError(lastError);
  }

 private:
  HANDLE m_context = INVALID_HANDLE_VALUE;
  ULONG_PTR m_cookie = 0;
};

}  // namespace

int CheckInstalledCopy() {
  std::wstring installed;
  if (FAILED(GetProductPath(kInfoLibrary, installed))) return kInstalledUnknown;
  const auto own = ModuleFileName(Module().module);
  if (!own) return kInstalledUnknown;
  if (CompareStringOrdinal(installed.c_str(), -1, own->c_str(), -1, TRUE) == CSTR_EQUAL) return kInstalledIsThis;
  const auto installedVersion = ReadFileVersion(installed.c_str());
  const auto ownVersion = ReadFileVersion(own->c_str());
  if (!installedVersion || !ownVersion) return kInstalledUnknown;
  return CompareVersions(FormatVersion(*installedVersion), FormatVersion(*ownVersion));
}

UniqueModule LoadInstalledCopy() {
  std::wstring installed;
  if (FAILED(GetProductPath(kInfoLibrary, installed))) return UniqueModule();
  ActivationScope scope;
  return UniqueModule(LoadLibraryW(installed.c_str()));
}

}  // namespace wendrix

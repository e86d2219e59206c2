#include "frame/installed_copy.h"

#include <string>

#include "core/version.h"
#include "frame/activation_scope.h"
#include "frame/module_state.h"
#include "frame/product_folder.h"
#include "platform/file_version.h"

namespace wendrix {

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

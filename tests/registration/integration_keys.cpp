#include "integration_keys.h"

#include "../support/registry_sandbox.h"

namespace wendrix::test {

void ClearIntegrations(const std::vector<std::wstring>& applets) {
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
    for (REGSAM view : {k32, static_cast<REGSAM>(KEY_WOW64_64KEY)}) {
      DeleteValue(root, kRunKey, L"KestmoorWendrix", view);
      DeleteValue(root, kCplsKey, L"WendrixControlPanel", view);
      DeleteValue(root, kCplsKey, L"OtherApplet", view);
      for (const std::wstring& applet : applets) DeleteValue(root, kCategoryKey, applet, view);
      DeleteKeyTree(root, kUninstallKey, view);
    }
    for (const wchar_t* name : {L".wx-cnf", L"Wendrix.DataFile", L".software", L"Pellister.DataFile"})
      DeleteKeyTree(root, kClassesKey + std::wstring(name), 0);
    DeleteKeyTree(root, kMimeTypeKey, 0);
  }
  DeleteKeyTree(HKEY_CURRENT_USER, kProductKey, 0);
}

}  // namespace wendrix::test

#include "registration/integration_sync.h"

#include <windows.h>
#include <shlobj.h>

#include "registration/main_window.h"
#include "registration/publisher_store.h"
#include "registration/system_integrations.h"
#include "update/startup_entry.h"

namespace wendrix {

namespace {

HRESULT At(std::uint32_t& location, std::uint32_t step, HRESULT hr) noexcept {
  if (FAILED(hr)) location = step;
  return hr;
}

}  // namespace

HRESULT BringIntegrationsInLine(const CPublisherStore& store, StoreScope scope, bool rewrite, CJournal* journal,
                                const IntegrationSteps& steps, std::uint32_t& location) {
  const StartupScope hive = scope == kScopeCurrentUser ? StartupScope::kCurrentUser : StartupScope::kAllUsers;
  const RegisteredScopes scopes = ScopesOf(store);
  RETURN_IF_FAILED(At(location, steps.startup, UpdateStartupEntry(store, hive, rewrite, journal)));
  RETURN_IF_FAILED(At(location, steps.controlPanel, UpdateControlPanelEntry(scopes, hive, journal)));
  RETURN_IF_FAILED(At(location, steps.uninstall, UpdateUninstallEntry(scopes, rewrite, journal)));
  return At(location, steps.fileType, UpdateFileType(scopes, hive, journal));
}

void AnnounceRegistrationChange() noexcept {
  SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
  NotifyMainWindow(kRegistrationsChangedMessage);
}

}  // namespace wendrix

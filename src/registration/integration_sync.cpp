#include "registration/step_location.h"
#include "registration/integration_sync.h"

#include <windows.h>
#include <shlobj.h>

#include "registration/main_window.h"
#include "registration/publisher_store.h"
#include "registration/store_mutex.h"
#include "registration/system_integrations.h"
#include "registration/startup_entry.h"

namespace wendrix {

namespace {

}  // namespace

HRESULT BringIntegrationsInLine(StoreScope scope, bool rewrite, CJournal* journal, const IntegrationSteps& steps,
                                std::uint32_t& location, const std::function<HRESULT(CPublisherStore&)>& prepare) {
  NamedMutexLock lock;
  RETURN_IF_FAILED(AtStep(location, steps.openStore, lock.Acquire(kPublisherMutex, MutexUsers::kAnyUser)));
  CPublisherStore store;
  RETURN_IF_FAILED(AtStep(location, steps.openStore, store.Open(true, journal)));
  if (prepare) RETURN_IF_FAILED(prepare(store));
  const StartupScope hive = scope == kScopeCurrentUser ? StartupScope::kCurrentUser : StartupScope::kAllUsers;
  const RegisteredScopes scopes = ScopesOf(store);
  RETURN_IF_FAILED(AtStep(location, steps.startup, UpdateStartupEntry(store, hive, rewrite, journal)));
  RETURN_IF_FAILED(AtStep(location, steps.controlPanel, UpdateControlPanelEntry(scopes, hive, journal)));
  RETURN_IF_FAILED(AtStep(location, steps.uninstall, UpdateUninstallEntry(scopes, rewrite, journal)));
  return AtStep(location, steps.fileType, UpdateFileType(scopes, hive, journal));
}

void AnnounceRegistrationChange() noexcept {
  SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
  NotifyMainWindow(kRegistrationsChangedMessage);
}

}  // namespace wendrix

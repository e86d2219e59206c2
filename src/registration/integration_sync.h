#pragma once
// After every registration change the system integrations are brought in
// line with the store, and the shell and the main window are told.
#include <cstdint>
#include <functional>

#include "core/result.h"
#include "registration/list_file.h"

namespace wendrix {

class CJournal;
class CPublisherStore;

// The step numbers a caller reports for opening the store and for each
// integration.
struct IntegrationSteps {
  std::uint32_t openStore, startup, controlPanel, uninstall, fileType;
};

// Opens the store (with the older product's data) and brings the startup
// entry, the control-panel entry, the uninstall entry and the file type, in
// this order, in line with it, each for the scope of the call (the uninstall
// entry is always the user's); `prepare`, when given, first works on the
// opened store. All of it holds "WendrixMutex_Publisher": processes that
// change registrations at once leave the integrations as the last store
// says, and never write the same entries at the same time. `rewrite`
// rewrites entries that exist. The first failure ends the work with its step
// in `location`.
HRESULT BringIntegrationsInLine(StoreScope scope, bool rewrite, CJournal* journal, const IntegrationSteps& steps,
                                std::uint32_t& location,
                                const std::function<HRESULT(CPublisherStore&)>& prepare = nullptr);

// Tells the shell that file associations changed and the main window that the
// registrations did.
void AnnounceRegistrationChange() noexcept;

}  // namespace wendrix

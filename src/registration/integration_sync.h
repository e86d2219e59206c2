#pragma once
// After every registration change the system integrations are brought in
// line with the store, and the shell and the main window are told.
#include <cstdint>

#include "core/result.h"
#include "registration/list_file.h"

namespace wendrix {

class CJournal;
class CPublisherStore;

// The step numbers a caller reports for each integration.
struct IntegrationSteps {
  std::uint32_t startup, controlPanel, uninstall, fileType;
};

// The startup entry, the control-panel entry, the uninstall entry and the
// file type, in this order, each for the scope of the call (the uninstall
// entry is always the user's). `rewrite` rewrites entries that exist. The
// first failure ends the work with its step in `location`.
HRESULT BringIntegrationsInLine(const CPublisherStore& store, StoreScope scope, bool rewrite, CJournal* journal,
                                const IntegrationSteps& steps, std::uint32_t& location);

// Tells the shell that file associations changed and the main window that the
// registrations did.
void AnnounceRegistrationChange() noexcept;

}  // namespace wendrix

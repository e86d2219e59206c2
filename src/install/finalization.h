#pragma once
// The end of the product on a machine: when no publisher needs it any more,
// it removes everything its installation made; otherwise it makes sure the
// integrations that the registered publishers need are in place.
#include <cstdint>

#include "core/result.h"
#include "setup/product_programs.h"

namespace wendrix {

class CPublisherStore;

// Flags of the finalization.
inline constexpr std::uint32_t kFinalizeIgnoreUserOnly = 0x40000000;  // publishers only a user registered don't count

// Whether the product may remove itself: no publisher other than the
// product's own counts (with kFinalizeIgnoreUserOnly, one that no program
// registered does not), no program's registration is counted, and no other
// user has publishers registered (unless kFinalizeIgnoreUserOnly).
bool ProductNoLongerNeeded(const CPublisherStore& store, std::uint32_t otherUsersCount, std::uint32_t flags);

// Finalizes with the journal in `journalFolder` (when given). Returns 1 when
// a file in use is deleted only at the next restart, else 0; a failure
// returns at once, `location` naming the step where the finalization has one.
HRESULT FinalizeProduct(const wchar_t* journalFolder, std::uint32_t flags, StopProgramsCall stop,
                        std::uint32_t& location);

}  // namespace wendrix

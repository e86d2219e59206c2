#pragma once
// Unregistering what a product registered: every publisher its product-data
// file names loses one count, and a publisher nobody keeps any more goes.
#include <cstdint>

#include "core/result.h"
#include "registration/list_file.h"

namespace wendrix {

class CJournal;
class CPublisherStore;

// Flags of the unregistration.
inline constexpr std::uint32_t kUnregisterCurrentUser = 0x1;
inline constexpr std::uint32_t kUnregisterCountsOnly = 0x10;              // never remove a publisher
inline constexpr std::uint32_t kUnregisterUserOnlyPublishers = 0x40000000;  // also drop the user's own
inline constexpr std::uint32_t kUnregisterMissingIsNoError = 0x80000000;    // no product-data file is fine

// Where an unregistration failed.
enum UnregisterLocation : std::uint32_t {
  kAtUnregisterJournal = 62,
  kAtUnregisterReadProductData = 63,
  kAtUnregisterOpenStore = 64,
  kAtUnregisterRemovePublisher = 65,
  kAtUnregisterWriteRegistration = 66,
  kAtUnregisterRemoveCurrentUser = 67,
  kAtUnregisterRemoveAllUsers = 68,
  kAtUnregisterOpenStoreAfter = 69,
  kAtUnregisterDropUserOnly = 70,
  kAtUnregisterStartupEntry = 81,
  kAtUnregisterControlPanelEntry = 82,
  kAtUnregisterFileType = 126,
  kAtUnregisterUninstallEntry = 166,
  kAtUnregisterCountZeroCurrentUser = 146,
  kAtUnregisterCountZeroAllUsers = 147,
  kAtUnregisterMissingProductData = 168,
  kAtUnregisterJournalProductData = 111,
};

// The product's registrations in `scope`, as its product-data file lists
// them: each publisher's count goes down by one; unless kUnregisterCountsOnly,
// a publisher that no product counts and the user did not register is
// removed completely, and one whose count in the scope reached 0 leaves that
// scope. Then the file is deleted. A missing file is 0x80070490 (S_OK with
// kUnregisterMissingIsNoError); a count that is already 0, 0x8007000D. A
// publisher the file names but the store no longer holds is passed over.
HRESULT UnregisterProductPublishers(const wchar_t* caller, StoreScope scope, std::uint32_t flags, CJournal* journal,
                                    std::uint32_t& location);

// Removes every publisher of the store that only the user registered (no
// product counts it in any source) from the lists and from `store`.
HRESULT DropUserOnlyPublishers(CPublisherStore& store, CJournal* journal);

}  // namespace wendrix

#include "registration/step_location.h"
#include "registration/product_unregistration.h"

#include <new>

#include "registration/product_data_file.h"
#include "registration/product_identity.h"
#include "registration/publisher_store.h"
#include "registration/registration.h"
#include "registration/store_folders.h"
#include "registration/store_mutex.h"
#include "setup/journal.h"

namespace wendrix {
namespace {

constexpr HRESULT kNotFound = HResultFromWin32(1168);
constexpr HRESULT kCountAlreadyZero = HResultFromWin32(13);

bool UserRegistered(const PublisherRecord& record) noexcept {
  return record.Has(kKeyUserRegistered) && (record.flags & kPublisherUserRegistered) != 0;
}


// Lowers one publisher's count in `scope` and removes what nobody keeps.
HRESULT Uncount(CPublisherStore& store, PublisherRecord& record, StoreScope scope, std::uint32_t flags,
                CJournal* journal, std::uint32_t& location) {
  const CountSlot slot = scope == kScopeCurrentUser ? kSlotCurrentUser : kSlotAllUsers;
  if (record.counts[slot] == 0)
    return AtStep(location, scope == kScopeCurrentUser ? kAtUnregisterCountZeroCurrentUser : kAtUnregisterCountZeroAllUsers,
              kCountAlreadyZero);
  --record.counts[slot];
  if (!(flags & kUnregisterCountsOnly)) {
    if (record.counts[kSlotCurrentUser] == 0 && record.counts[kSlotAllUsers] == 0 && !UserRegistered(record)) {
      RETURN_IF_FAILED(AtStep(location, kAtUnregisterRemovePublisher,
                          Unregister(record, kRegisterCurrentUser | kRegisterAllUsers, journal)));
      store.Records().erase(store.Records().begin() + (&record - store.Records().data()));
      return S_OK;
    }
    if (record.counts[slot] == 0) {
      const HRESULT hr = UnregisterFromScope(record.id, scope, journal);
      record.flags &= ~CountedFlag(slot);
      return AtStep(location, scope == kScopeCurrentUser ? kAtUnregisterRemoveCurrentUser : kAtUnregisterRemoveAllUsers,
                hr);
    }
  }
  return AtStep(location, kAtUnregisterWriteRegistration, RegisterInScope(RegistrationOf(record, slot, true, record.applicationIcon), scope, journal));
}

}  // namespace

HRESULT UnregisterProductPublishers(const wchar_t* caller, StoreScope scope, std::uint32_t flags, CJournal* journal,
                                    std::uint32_t& location) {
  ProductIdentity product;
  std::wstring path;
  ProductData data;
  // The product-data file and the counts change together for every process.
  NamedMutexLock lock;
  RETURN_IF_FAILED(AtStep(location, kAtUnregisterOpenStore, lock.Acquire(kPublisherMutex, MutexUsers::kAnyUser)));
  RETURN_IF_FAILED(AtStep(location, kAtUnregisterReadProductData, IdentifyCaller(caller ? caller : L"", product)));
  RETURN_IF_FAILED(AtStep(location, kAtUnregisterReadProductData, ProductDataPath(product, scope, path)));
  if (!PathExists(path)) {
    if (flags & kUnregisterMissingIsNoError) return S_OK;
    return AtStep(location, kAtUnregisterMissingProductData, kNotFound);
  }
  RETURN_IF_FAILED(AtStep(location, kAtUnregisterReadProductData, ReadProductDataFile(path, data)));
  {
    CPublisherStore store;
    RETURN_IF_FAILED(AtStep(location, kAtUnregisterOpenStore, store.Open(false, journal)));
    for (const ProductPublisher& publisher : data.publishers) {
      PublisherRecord* record = store.Find(publisher.id);
      if (!record) continue;
      RETURN_IF_FAILED(Uncount(store, *record, scope, flags, journal, location));
    }
  }
  return AtStep(location, kAtUnregisterJournalProductData, DeleteProductDataFile(path, journal));
}

HRESULT DropUserOnlyPublishers(CPublisherStore& store, CJournal* journal) {
  std::vector<PublisherRecord>& records = store.Records();
  for (std::size_t i = 0; i < records.size();) {
    const PublisherRecord& r = records[i];
    const bool counted = r.counts[kSlotCurrentUser] || r.counts[kSlotAllUsers] || r.counts[kSlotOlderCurrentUser] ||
                         r.counts[kSlotOlderAllUsers];
    if (UserRegistered(r) && !counted) {
      RETURN_IF_FAILED(Unregister(r, kRegisterCurrentUser | kRegisterAllUsers, journal));
      records.erase(records.begin() + static_cast<std::ptrdiff_t>(i));
    } else {
      ++i;
    }
  }
  return S_OK;
}

}  // namespace wendrix

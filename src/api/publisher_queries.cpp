#include "api/publisher_queries.h"

#include <windows.h>

#include <string_view>

#include "api/address_lookup.h"
#include "api/self_update_offer.h"
#include "api/store_snapshot.h"
#include "core/string_util.h"
#include "frame/module_state.h"
#include "platform/shell_open.h"
#include "publisher/builtin_publishers.h"
#include "publisher/item_version.h"
#include "publisher/windows_environment.h"
#include "registration/publisher_store.h"

namespace wendrix {
namespace {

const PublisherEnvironment& Environment() {
  static const WindowsPublisherEnvironment env(Module().version);
  return env;
}

bool Given(const wchar_t* text) noexcept { return text && *text; }

const PublisherData* LoadedData(const PublisherRecord* record) noexcept {
  return record ? record->model.get() : nullptr;
}

const PublisherRecord* SelfRecord(const CPublisherStore& store) noexcept {
  for (const PublisherRecord& r : store.Records())
    if (IsSelfPublisher(r)) return &r;
  return nullptr;
}

}  // namespace

const wchar_t* ResolvePublisherAlias(const wchar_t* publisher) noexcept {
  if (!publisher) return nullptr;
  const BuiltinPublisher* row = FindBuiltinPublisher(publisher);
  return row ? row->id : publisher;
}

PublisherRecord* FindPublisher(CPublisherStore& store, const wchar_t* publisher) noexcept {
  if (!publisher) return nullptr;
  PublisherRecord* record = store.Find(publisher);
  return record ? record : store.FindByName(publisher);
}

HRESULT QueryVersion(const wchar_t* publisher, const wchar_t* item, std::uint32_t flags,
                     std::optional<std::wstring>& version) {
  version.reset();
  publisher = ResolvePublisherAlias(publisher);
  const bool selfUpdate = (flags & kVersionSelfUpdate) != 0;
  if (!Given(item) && !selfUpdate) {
    version = Module().version;
    return S_OK;
  }

  if (!(flags & kVersionRegistration) && Given(item) && !Given(publisher)) return E_INVALIDARG;
  return RunStoreQuery([&](StoreQuery& query) -> HRESULT {
    CPublisherStore& store = query.Store();
    if (flags & kVersionRegistration) {
      if (const PublisherRecord* record = FindPublisher(store, publisher)) version = record->version;
      return S_OK;
    }
    // Only the data the answer needs is loaded: another publisher's damaged
    // file neither fails the query nor has its error recorded by it.
    if (!Given(item)) {
      const PublisherRecord* selfRecord = SelfRecord(store);
      if (!selfRecord) return S_OK;
      RETURN_IF_FAILED(query.LoadStored(*selfRecord));
      if (const PublisherData* self = LoadedData(selfRecord))
        version = SelfUpdateOnOffer(*self, store.RequiredVersion(), Environment());
      return S_OK;
    }
    const PublisherRecord* record = FindPublisher(store, publisher);
    if (!record) return S_OK;
    RETURN_IF_FAILED(query.LoadStored(*record));
    const PublisherData none;
    const PublisherData* data = LoadedData(record);
    return ItemVersion(data ? data : &none, item, flags, &version);
  });
}

HRESULT QueryAddress(const wchar_t* publisher, const wchar_t* item, std::uint32_t flags,
                     std::optional<std::wstring>& address) {
  address.reset();
  publisher = ResolvePublisherAlias(publisher);
  if (flags == 0 || !Given(publisher)) return E_INVALIDARG;
  return RunStoreQuery([&](StoreQuery& query) -> HRESULT {
    const PublisherRecord* record = FindPublisher(query.Store(), publisher);
    if (record && (flags & kAddressKindMask) != kAddressPublisherHomePage) RETURN_IF_FAILED(query.LoadStored(*record));
    return FindAddress(record, LoadedData(record), item, flags, Environment(), address);
  });
}

HRESULT OpenAddress(const wchar_t* publisher, const wchar_t* item, std::uint32_t flags, const AddressOpener& opener) {
  if (flags == 0) return E_INVALIDARG;
  std::optional<std::wstring> address;
  RETURN_IF_FAILED(QueryAddress(publisher, item, flags, address));
  if (!address || address->empty()) return S_OK;
  constexpr std::wstring_view kMailScheme = L"mailto:";
  const bool mail = address->size() >= kMailScheme.size() &&
                    CStringUtil::EqualsNoCase(std::wstring_view(*address).substr(0, kMailScheme.size()), kMailScheme);
  return opener(mail ? OpenRoute::kMail : OpenRoute::kShell, *address);
}

HRESULT ShellOpen(OpenRoute route, const std::wstring& address) {
  // Both routes go through the shell: a "mailto:" address reaches the mail
  // program the user registered for the scheme, which is the mail route the
  // system offers without tying the library to one mail interface.
  (void)route;
  return OpenWithShell(address);
}

}  // namespace wendrix

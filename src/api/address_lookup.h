#pragma once
// The addresses behind an application's menu entries: the publisher's home
// page, or a page, the download or the purchase page of one of its items,
// taken from the publisher's loaded data so that the publisher can move them
// without shipping a new application.
#include <cstdint>
#include <optional>
#include <string>

#include "core/result.h"
#include "publisher/environment.h"
#include "publisher/model.h"
#include "registration/publisher_record.h"

namespace wendrix {

// Address kinds: the low five bits of the flags of the address exports.
enum AddressKind : std::uint32_t {
  kAddressItemHomePage = 1,
  kAddressCurrentVersionInfo = 2,
  kAddressPublisherHomePage = 3,
  kAddressHistory = 4,
  kAddressFaq = 5,
  kAddressSupport = 6,
  kAddressTroubleshooting = 7,
  kAddressSourceCode = 8,
  kAddressDownload = 9,
  kAddressPurchase = 10,
};
inline constexpr std::uint32_t kAddressKindMask = 0x1F;

// The item's action that an item kind (1, 2, 4 to 10) leads to: among the
// item's actions of the kind's type (Open with the kind's subtype, Download
// or Buy with any subtype), the one with the highest version; one without a
// version counts only while no versioned one is found. Actions that install
// on an architecture this system does not have are passed over. Null for
// kind 3 and invalid kinds, and when no action qualifies.
const Action* ActionForAddress(const PublisherData& data, const Item& item, std::uint32_t kind,
                               const PublisherEnvironment& env);

// The address of kind flags & kAddressKindMask for a found publisher:
// `record` null (the publisher is not registered) gives S_OK with no address;
// kind 3 gives the record's home page (an empty text when it is empty); every other
// kind looks the item up (ignoring case) in `data` (null: no items) and gives
// S_OK with no address when `itemId` is null or empty, names no item, or the
// item has no such action or the action no address. E_INVALIDARG for a kind
// outside 1 to 10 once the item is found. With several mirrors the address
// is the one the model's rotation picks next.
HRESULT FindAddress(const PublisherRecord* record, const PublisherData* data, const wchar_t* itemId,
                    std::uint32_t flags, const PublisherEnvironment& env, std::optional<std::wstring>& address);

}  // namespace wendrix

#pragma once
// Registering a publisher in a scope's list file and removing it again, with
// the registration icon, the user counters and the publisher's files.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/result.h"
#include "registration/list_file.h"
#include "registration/publisher_record.h"

namespace wendrix {

class CJournal;

// Scope mask of a registration.
inline constexpr std::uint32_t kRegisterCurrentUser = 0x1;
inline constexpr std::uint32_t kRegisterAllUsers = 0x2;

// What a registering caller gives for one publisher.
struct Registration {
  std::wstring id, name, homePage, dataSource, version;
  std::vector<TextEntry> applicationNames;
  std::wstring iconFile;   // icon to copy to <ID>.ico; empty: none
  std::uint32_t flags = 0; // control-panel, menu and dialog bits (kPublisher...)
  bool hasCount = false;   // the caller counts its registrations
  std::uint32_t count = 0;
};

// The registration that writes a record's values into a scope's list as the
// record holds them now: with the count of `slot` when `counted`, and
// `iconFile` as its registration icon.
Registration RegistrationOf(const PublisherRecord& record, CountSlot slot, bool counted, const std::wstring& iconFile);

// Adds or updates the publisher's section in the scope's list file under
// "WendrixMutex_Publisher": name, home page, data source, application names,
// version and the control-panel, menu and dialog flags are taken from the
// registration, its count as `Count` when it has one; a current-user
// registration with a count of 0 (or none) is marked UserRegistered. The icon
// is copied to <ID>.ico in the scope's folder (ApplicationIcon names the
// copy), or an existing <ID>.ico is deleted when the registration names none.
// For the current user, the user counter of the kind (Count: a registration
// with a count; Count2: UserRegistered) goes up when the user had no
// registration of that kind before. Every file is journaled first when a
// journal is given. E_INVALIDARG for an ID that is not a safe publisher ID
// (IsSafePublisherId).
HRESULT RegisterInScope(const Registration& registration, StoreScope scope, CJournal* journal);

// Removes the publisher's section from the scope's list file (deleting the
// file when no section is left) and its registration icon; for the current
// user, a counter goes down when the user's last registration of its kind is
// gone. S_FALSE when the list has no such publisher; E_INVALIDARG for an
// ID that is not a safe publisher ID.
HRESULT UnregisterFromScope(std::wstring_view id, StoreScope scope, CJournal* journal);

// Unregisters from each scope of `scopes` (all users first), then deletes
// the publisher's data, previous-items and inactive-items files and its
// group and item icons "<ID>-*.ico" (a listed side-file path outside the
// current user's folder is not deleted; SideFilePath). S_FALSE when no scope
// listed it; E_INVALIDARG for an ID that is not a safe publisher ID.
HRESULT Unregister(const PublisherRecord& record, std::uint32_t scopes, CJournal* journal);

}  // namespace wendrix

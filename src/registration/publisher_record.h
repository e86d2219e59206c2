#pragma once
// The publisher record: one registered publisher as the store holds it in
// memory, merged from every list that names it.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/file_facts.h"
#include "publisher/model.h"

namespace wendrix {

struct BuiltinPublisher;
class PublisherEnvironment;

// The list-file keys. Each has one bit in PublisherRecord::present
// (1 << key), set when the field holds a value read from a list or given by a
// registration; only keys with their bit set are written back.
enum ListKey : std::uint32_t {
  kKeyName,
  kKeyHomePage,
  kKeyDataSource,
  kKeyDataFile,
  kKeyPreviousItemsFile,
  kKeyInactiveItemsFile,
  kKeyEnabled,
  kKeyAttempted,
  kKeySucceeded,
  kKeyFailedLastCheck,
  kKeyLastCheckError,
  kKeyCount,
  kKeyApplicationName,
  kKeyApplicationIcon,
  kKeyControlPanel,
  kKeyVersion,
  kKeyMenuHomePage,
  kKeyMenuFeedback,
  kKeyDialogAllItems,
  kKeyDialogWallet,
  kKeyDialogHistory,
  kKeyUserRegistered,
  kListKeyCount
};

constexpr std::uint32_t KeyBit(ListKey key) noexcept { return 1u << key; }

// The keys a check or the user changes on a registered publisher, as opposed
// to the ones its registration gives; the store writes these back.
inline constexpr std::uint32_t kCheckStateKeys = KeyBit(kKeyEnabled) | KeyBit(kKeyAttempted) |
                                                 KeyBit(kKeySucceeded) | KeyBit(kKeyFailedLastCheck) |
                                                 KeyBit(kKeyLastCheckError);

// Flags word bits besides the ones the publisher model defines.
inline constexpr std::uint32_t kPublisherCountedCurrentUser = 0x1;
inline constexpr std::uint32_t kPublisherCountedAllUsers = 0x2;
inline constexpr std::uint32_t kPublisherEnabled = 0x4;
inline constexpr std::uint32_t kPublisherCountedOlderCurrentUser = 0x10;
inline constexpr std::uint32_t kPublisherCountedOlderAllUsers = 0x20;
inline constexpr std::uint32_t kPublisherUserRegistered = 0x2000;

// Where a registration count came from; indexes PublisherRecord::counts.
enum CountSlot : std::uint32_t {
  kSlotCurrentUser,
  kSlotAllUsers,
  kSlotOlderCurrentUser,
  kSlotOlderAllUsers,
  kCountSlots
};

// The counted flag of a slot (0x1, 0x2, 0x10, 0x20).
std::uint32_t CountedFlag(CountSlot slot) noexcept;

struct PublisherRecord {
  std::wstring id;
  std::wstring name, homePage, dataSource;
  // Paths as the list gives them; empty means the default <ID>.ini, .prv,
  // .ina in the current user's folder.
  std::wstring dataFile, previousItemsFile, inactiveItemsFile;
  std::wstring applicationIcon;
  std::vector<TextEntry> applicationNames;  // language, name
  std::wstring version;
  std::uint64_t attempted = 0, succeeded = 0;  // file times (UTC); 0 = never
  std::int32_t enabled = 0;
  std::int32_t failedLastCheck = 0;
  std::uint32_t lastCheckError = 0;
  std::array<std::uint32_t, kCountSlots> counts{};
  std::uint32_t flags = 0;    // kPublisher... bits
  std::uint32_t present = 0;  // KeyBit(...) of the fields that are set
  std::wstring dataText;      // the stored data file once loaded
  // The previous items as last read or written. Each stamp, when known,
  // describes its file holding exactly that text (dataText, previousItems):
  // whatever puts other text there must forget the stamp.
  std::wstring previousItems;
  FileStamp dataStamp, previousItemsStamp;
  const BuiltinPublisher* builtin = nullptr;

  // The model loaded from dataText, shared by the copies of the record;
  // null until the data is loaded.
  std::shared_ptr<PublisherData> model;

  bool Has(ListKey key) const noexcept { return (present & KeyBit(key)) != 0; }
  // A publisher takes part in checks unless its Enabled value is off: a
  // registration writes no Enabled, and a new publisher is checked.
  bool IsEnabled() const noexcept { return !Has(kKeyEnabled) || (flags & kPublisherEnabled) != 0; }
};

// The flag bits a registration sets: the control-panel, menu and dialog
// requests of the publisher's data file.
inline constexpr std::uint32_t kRegisteredFlags = kPublisherControlPanel | kPublisherMenuHomePage |
                                                  kPublisherMenuFeedback | kPublisherDialogAllItems |
                                                  kPublisherDialogWallet | kPublisherDialogHistory;

// The list keys a registration writes.
inline constexpr std::uint32_t kRegisteredKeys = KeyBit(kKeyName) | KeyBit(kKeyHomePage) | KeyBit(kKeyDataSource) |
                                                 KeyBit(kKeyApplicationName) | KeyBit(kKeyVersion) |
                                                 KeyBit(kKeyControlPanel) | KeyBit(kKeyMenuHomePage) |
                                                 KeyBit(kKeyMenuFeedback) | KeyBit(kKeyDialogAllItems) |
                                                 KeyBit(kKeyDialogWallet) | KeyBit(kKeyDialogHistory);

// Takes what a data file says of its publisher into the publisher's record,
// as its registration does: the ID as the file spells it, name, home page,
// data source, version, application names and the registered flags.
void TakeRegisteredFields(const PublisherFields& fields, PublisherRecord& record);

// Whether the record is the self publisher's: the publisher whose data file
// describes the library itself, the one place its Self item and self-updates
// come from. The store marks it with kPublisherSelf when it links the record
// to its built-in row, and nothing else makes a publisher the self one.
bool IsSelfPublisher(const PublisherRecord& record) noexcept;

// Links a record to the row of the built-in table for its ID; the self
// publisher's row marks the record as such.
void LinkBuiltinRow(PublisherRecord& record, const BuiltinPublisher& row) noexcept;

// The application name shown to the user: the one whose language matches the
// user's interface language, else the first; null when the record has none.
const std::wstring* ApplicationNameFor(const PublisherRecord& record, const PublisherEnvironment& env);

}  // namespace wendrix

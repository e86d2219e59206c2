#pragma once
// The publisher data: the in-memory model of one publisher data file (or of
// the wallet file). Records refer to one another only by identifier; every
// lookup is case-insensitive and returns the first match in file order. The
// model is filled by the loader and owns every record.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/sha256_text.h"
#include "core/version.h"
#include "publisher/id_index.h"
#include "publisher/vocabulary.h"

namespace wendrix {

class PublisherEnvironment;

struct TextEntry {
  std::wstring language;
  std::wstring text;
  bool operator==(const TextEntry&) const = default;
};
struct TextRecord {
  std::wstring id;
  std::vector<TextEntry> entries;
  std::uint32_t line = 0;
  bool operator==(const TextRecord&) const = default;
};

// A size or a size range; `known` is false when no Bytes were given.
struct SizeRange {
  std::uint64_t smallest = 0;
  std::uint64_t largest = 0;
  bool known = false;
  bool operator==(const SizeRange&) const = default;
};

struct Item {
  std::wstring id;
  std::wstring titleId, title;
  std::uint32_t type = kItemInvalid;
  std::wstring descriptionId, iconId, conditionId, displayStyleId, installedVersionId, freeUpdatesId;
  std::vector<std::wstring> actionIds;
  std::uint32_t flags = 0;
  std::uint32_t requirement = kRequireNeutral;
  std::optional<std::wstring> installedVersion;  // absent when not installed
  std::wstring latestVersion;                    // empty when no action gives one
  std::uint64_t latestDate = 0;                  // file time; 0 = none
  SizeRange size;
  std::uint32_t line = 0;
  bool operator==(const Item&) const = default;
};

struct ActionResource {
  std::wstring resource;  // file name or address
  std::wstring pathId;    // folder it goes to; may be empty
  bool operator==(const ActionResource&) const = default;
};

struct Action {
  std::wstring id;
  std::uint32_t type = 0;  // 0: no Type line
  std::uint32_t subtype = 0;
  bool hasSubtype = false;
  std::wstring version;
  std::uint64_t date = 0;  // file time; 0 = none
  SizeRange size;
  std::vector<std::wstring> messageIds;
  std::wstring conditionId, targetId, parameters, rename;
  std::vector<std::wstring> urls;  // mirrors, in file order
  std::vector<ActionResource> resources;
  // SHA256 lines: the digest each file must have, in the order of the files
  // (the single file, or the resources). Empty: the files are not pinned.
  std::vector<Sha256Digest> sha256;
  std::uint32_t flags = 0;
  std::uint32_t architecture = 0;
  std::uint32_t privileges = kPrivilegesStandard;
  std::wstring quietFromVersion;
  std::uint32_t line = 0;
  // NextUrl's rotation: the index of the next address, or -1 before the first call.
  mutable std::int64_t nextUrl = -1;
  bool operator==(const Action&) const = default;
};

struct Message {
  std::wstring id;
  std::uint32_t type = 0;  // 0: no Type line
  std::wstring headerId, messageId, yesId, noId, conditionId;
  std::uint32_t line = 0;
  bool operator==(const Message&) const = default;
};

struct InstalledVersionTest {
  std::wstring definitionId;
  std::wstring lowest;   // may be empty
  std::wstring highest;  // may be empty
  bool operator==(const InstalledVersionTest&) const = default;
};

struct ConditionRecord {
  std::wstring id;
  std::uint32_t line = 0;
  std::vector<std::wstring> versions;
  std::vector<std::wstring> publishers;
  std::vector<std::wstring> languages;
  std::vector<InstalledVersionTest> installedVersions;
  std::vector<std::wstring> paths;
  std::vector<std::vector<std::wstring>> andLists, orLists, notLists;
  mutable std::uint32_t visits = 0;  // meaningful only during one evaluation
  bool operator==(const ConditionRecord&) const = default;
};

struct Group {
  std::wstring id;
  std::wstring titleId, title;
  std::vector<std::wstring> itemIds;
  std::uint32_t line = 0;
  bool operator==(const Group&) const = default;
};

// A place: empty (the name alone), a Windows Installer product code in
// braces, or a registry path with an optional view prefix.
struct PathAlternative {
  std::wstring location;
  std::wstring name;
  bool operator==(const PathAlternative&) const = default;
};
struct PathDefinition {
  std::wstring id;
  std::vector<PathAlternative> alternatives;
  mutable std::optional<std::wstring> result;  // the folder found by the last resolution (a cache)
  std::uint32_t line = 0;
  bool operator==(const PathDefinition&) const = default;
};

struct FreeUpdateStyle {
  std::wstring id;
  std::uint32_t type = kFreeUpdatesAll;
  std::uint32_t line = 0;
  bool operator==(const FreeUpdateStyle&) const = default;
};

struct ApplicationProbe {
  std::wstring location, name, iniSection, iniKey;  // empty = absent
  bool operator==(const ApplicationProbe&) const = default;
};
struct InstalledVersionDefinition {
  std::wstring id;
  std::vector<ApplicationProbe> applications;
  std::vector<std::wstring> systems;
  std::wstring publisher;                // optional publisher probe
  mutable std::optional<std::wstring> result;  // the version found by the last determination (a cache)
  std::uint32_t line = 0;
  bool operator==(const InstalledVersionDefinition&) const = default;
};

struct IconEntry {
  std::wstring id;
  std::wstring version;
  bool operator==(const IconEntry&) const = default;
};

// The publisher's own fields, as registered (and, in wallet mode, as read).
struct PublisherFields {
  std::wstring id, name, homePage, dataSource;
  std::vector<TextEntry> applicationNames;
  std::wstring applicationIcon, version;
  std::uint32_t flags = 0;  // the store's flag word
  bool operator==(const PublisherFields&) const = default;
};

// Publisher flag word bits the loader reads or sets.
inline constexpr std::uint32_t kPublisherSelf = 0x8;
inline constexpr std::uint32_t kPublisherControlPanel = 0x40;
inline constexpr std::uint32_t kPublisherMenuHomePage = 0x80;
inline constexpr std::uint32_t kPublisherMenuFeedback = 0x100;
inline constexpr std::uint32_t kPublisherDialogAllItems = 0x200;
inline constexpr std::uint32_t kPublisherDialogWallet = 0x400;
inline constexpr std::uint32_t kPublisherDialogHistory = 0x800;
inline constexpr std::uint32_t kPublisherLoadFlag = 0x1000;  // cleared at the start of every load

class PublisherData {
 public:
  PublisherFields publisher;
  std::vector<Item> items;
  std::vector<Action> actions;
  std::vector<Message> messages;
  std::vector<ConditionRecord> conditions;
  std::vector<Group> groups;
  std::vector<TextRecord> texts;
  std::vector<PathDefinition> paths;
  std::vector<FreeUpdateStyle> freeUpdates;
  std::vector<InstalledVersionDefinition> installedVersions;
  std::vector<DisplayVersionStyle> displayStyles;
  std::vector<IconEntry> icons;

  bool IsSelfPublisher() const noexcept { return (publisher.flags & kPublisherSelf) != 0; }
  // Empties every collection (the publisher's own fields stay).
  void ClearCollections() noexcept;

  // First-match lookups by identifier, ignoring case; null when there is none.
  const Item* FindItem(std::wstring_view id) const noexcept;
  const Action* FindAction(std::wstring_view id) const noexcept;
  const Message* FindMessage(std::wstring_view id) const noexcept;
  const ConditionRecord* FindCondition(std::wstring_view id) const noexcept;
  const Group* FindGroup(std::wstring_view id) const noexcept;
  const TextRecord* FindText(std::wstring_view id) const noexcept;
  const PathDefinition* FindPath(std::wstring_view id) const noexcept;
  const FreeUpdateStyle* FindFreeUpdates(std::wstring_view id) const noexcept;
  const InstalledVersionDefinition* FindInstalledVersion(std::wstring_view id) const noexcept;
  const DisplayVersionStyle* FindDisplayStyle(std::wstring_view id) const noexcept;
  const IconEntry* FindIcon(std::wstring_view id) const noexcept;
  Item* FindItem(std::wstring_view id) noexcept;
  PathDefinition* FindPath(std::wstring_view id) noexcept;
  InstalledVersionDefinition* FindInstalledVersion(std::wstring_view id) noexcept;

 private:
  struct Indexes {
    IdIndex items, actions, messages, conditions, groups, texts, paths, freeUpdates, installedVersions, displayStyles,
        icons;
  };
  // Lookup caches; a copy starts with its own (they rebuild on first use).
  struct IndexHolder {
    Indexes indexes;
    IndexHolder() = default;
    IndexHolder(const IndexHolder&) {}
    IndexHolder& operator=(const IndexHolder&) { return *this; }
  } m_index;
};

// Model queries. `env` supplies the system facts they depend on.

// The text of a Text record for the user: its only entry, else the first whose
// language matches the user's interface language, else the first. Null for an
// unknown identifier.
const std::wstring* TextFor(const PublisherData& data, std::wstring_view textId, const PublisherEnvironment& env);
// The same for a record at hand.
const std::wstring* TextFor(const TextRecord& record, const PublisherEnvironment& env);

// True when the action's architecture bits are 0, contain x64 on a 64-bit
// system, or contain x86 on any other system.
bool ArchitectureApplies(const Action& action, const PublisherEnvironment& env);

// The action's subtype, with the Update bit of a versioned Download action
// kept only when the item's installed version is known, the architecture
// applies and (for "MinorOnly" free updates) the major versions agree.
std::uint32_t EffectiveSubtype(const PublisherData* data, const Action& action, const Item* item,
                               const PublisherEnvironment& env);

// The address for the next attempt: rotates over the mirrors from a start
// picked by the tick count. Empty when the action has no address.
std::wstring NextUrl(const Action& action, const PublisherEnvironment& env);
// Adds a mirror and restarts the rotation.
void AddUrl(Action& action, std::wstring url);

// Rename, else the first element of the first resource, else the first URL.
std::wstring FileName(const Action& action);

// How many files the action fetches: one per resource, else one for its
// addresses (mirrors of the same file), none without either.
std::size_t ActionFileCount(const Action& action) noexcept;
// Whether the index-th file of a pinned action (one with SHA256 lines) has
// the digest `actual`. A pinned action pins every file: one past its last
// SHA256 line matches nothing, so it is refused rather than let through
// unchecked.
bool PinMatches(const Action& action, std::size_t index, const Sha256Digest& actual) noexcept;
// True for an action whose file is fetched and kept (a Download action, or
// one that installs) from a plain http address, mirrors included, without
// SHA256 lines: nothing would notice a file changed on the way.
bool UnpinnedOverHttp(const Action& action) noexcept;

// Request bits of BestAction.
enum ActionRequest : std::uint32_t {
  kRequestGeneric = 1, kRequestTry = 2, kRequestBuy = 4, kRequestUpdate = 8, kRequestBuyUpgrade = 128,
};
// The best Download action of an item for a request (see the check engine),
// or null. With `installable` only actions with the Install flag whose
// architecture applies count. `forUser` adds the checks of an update offered
// to the user (not unavailable, newer than the installed version).
const Action* BestAction(const PublisherData& data, const Item& item, std::uint32_t request, bool installable,
                         bool forUser, const PublisherEnvironment& env);
// The same among Buy actions: request bit 1 wants Generic, 256 Upgrade.
const Action* BestBuyAction(const PublisherData& data, const Item& item, std::uint32_t request,
                            const PublisherEnvironment& env);

// The row category of an item list: 0 self publisher, 4 Publisher item,
// 3 not installed, 1 update, 2 other.
int Category(const PublisherData& data, const Item& item, const Action* action, const PublisherEnvironment& env);

}  // namespace wendrix

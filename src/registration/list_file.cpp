#include "registration/list_file.h"

#include <algorithm>
#include <iterator>
#include <new>

#include "core/date.h"
#include "core/string_util.h"
#include "core/version.h"
#include "publisher/builtin_publishers.h"

namespace wendrix {
namespace {

struct KeyInfo {
  const wchar_t* name;
  std::uint32_t flag;  // the flags-word bit the key sets, or 0
};

// Indexed by ListKey.
constexpr KeyInfo kKeys[kListKeyCount] = {
    {L"Name", 0},
    {L"HomePage", 0},
    {L"DataSource", 0},
    {L"DataFile", 0},
    {L"PreviousItemsFile", 0},
    {L"InactiveItemsFile", 0},
    {L"Enabled", kPublisherEnabled},
    {L"Attempted", 0},
    {L"Succeeded", 0},
    {L"FailedLastCheck", 0},
    {L"LastCheckError", 0},
    {L"Count", 0},
    {L"ApplicationName", 0},
    {L"ApplicationIcon", 0},
    {L"ControlPanel", kPublisherControlPanel},
    {L"Version", 0},
    {L"ApplicationMenuHomePage", kPublisherMenuHomePage},
    {L"ApplicationMenuFeedback", kPublisherMenuFeedback},
    {L"ApplicationDialogAllItems", kPublisherDialogAllItems},
    {L"ApplicationDialogWallet", kPublisherDialogWallet},
    {L"ApplicationDialogHistory", kPublisherDialogHistory},
    {L"UserRegistered", kPublisherUserRegistered},
};

constexpr IniSchemaRow kSchema[] = {
    {kIniAny, L"Name", kKeyName, kIniText},
    {kIniAny, L"HomePage", kKeyHomePage, kIniRaw},
    {kIniAny, L"DataSource", kKeyDataSource, kIniRaw},
    {kIniAny, L"DataFile", kKeyDataFile, kIniRaw},
    {kIniAny, L"PreviousItemsFile", kKeyPreviousItemsFile, kIniRaw},
    {kIniAny, L"InactiveItemsFile", kKeyInactiveItemsFile, kIniRaw},
    {kIniAny, L"Enabled", kKeyEnabled, kIniSigned},
    {kIniAny, L"Attempted", kKeyAttempted, kIniText},
    {kIniAny, L"Succeeded", kKeySucceeded, kIniText},
    {kIniAny, L"FailedLastCheck", kKeyFailedLastCheck, kIniSigned},
    {kIniAny, L"LastCheckError", kKeyLastCheckError, kIniUnsigned},
    {kIniAny, L"Count", kKeyCount, kIniUnsigned},
    {kIniAny, L"ApplicationName", kKeyApplicationName, kIniList},
    {kIniAny, L"ApplicationIcon", kKeyApplicationIcon, kIniRaw},
    {kIniAny, L"ControlPanel", kKeyControlPanel, kIniSigned},
    {kIniAny, L"Version", kKeyVersion, kIniText},
    {kIniAny, L"ApplicationMenuHomePage", kKeyMenuHomePage, kIniSigned},
    {kIniAny, L"ApplicationMenuFeedback", kKeyMenuFeedback, kIniSigned},
    {kIniAny, L"ApplicationDialogAllItems", kKeyDialogAllItems, kIniSigned},
    {kIniAny, L"ApplicationDialogWallet", kKeyDialogWallet, kIniSigned},
    {kIniAny, L"ApplicationDialogHistory", kKeyDialogHistory, kIniSigned},
    {kIniAny, L"UserRegistered", kKeyUserRegistered, kIniSigned},
};

// The list key an entry names, or -1. An entry read from text with this
// schema carries its row's identifier, which is the key: one comparison
// confirms it instead of a search through every row. Entries from the
// registry, from code or from another schema are searched for.
std::int32_t KeyOf(const IniEntry& e) noexcept {
  const std::int32_t id = e.SchemaId();
  if (id >= 0 && static_cast<std::size_t>(id) < std::size(kSchema) && kSchema[id].id == id &&
      CStringUtil::EqualsNoCase(std::wstring_view(kSchema[id].key), e.NameView()))
    return id;
  return SchemaLookup(kIniAny, e.NameView(), kSchema);
}

bool IsOlderSource(ListSource source) noexcept { return source != kSourceCurrentList; }

bool IsAllUsersSlot(CountSlot slot) noexcept { return slot == kSlotAllUsers || slot == kSlotOlderAllUsers; }

// Keys whose bit only the current list file sets or clears.
bool IsCurrentOnlyKey(std::uint32_t key) noexcept { return key >= kKeyMenuHomePage && key <= kKeyUserRegistered; }

void SetFlag(std::uint32_t& flags, std::uint32_t bit, bool on) noexcept { flags = on ? (flags | bit) : (flags & ~bit); }

// Stores one entry of a section into the record; false when the value is
// unusable and the key stays unset.
bool ReadKey(const IniEntry& e, ListKey key, CountSlot slot, PublisherRecord& r) {
  switch (key) {
    case kKeyName: r.name = e.Value(0); return true;
    case kKeyHomePage: r.homePage = e.Value(0); return true;
    case kKeyDataSource:
      // An address of ours that has moved since the list was written.
      if (const wchar_t* moved = CurrentDataSourceFor(e.Value(0)))
        r.dataSource = moved;
      else
        r.dataSource = e.Value(0);
      return true;
    case kKeyDataFile: r.dataFile = e.Value(0); return true;
    case kKeyPreviousItemsFile: r.previousItemsFile = e.Value(0); return true;
    case kKeyInactiveItemsFile: r.inactiveItemsFile = e.Value(0); return true;
    case kKeyApplicationIcon: r.applicationIcon = e.Value(0); return true;
    case kKeyVersion: r.version = e.Value(0); return true;
    case kKeyEnabled:
      r.enabled = e.SignedValue();
      SetFlag(r.flags, kPublisherEnabled, r.enabled != 0);
      return true;
    case kKeyFailedLastCheck: r.failedLastCheck = e.SignedValue(); return true;
    case kKeyLastCheckError: r.lastCheckError = e.UnsignedValue(); return true;
    case kKeyCount: r.counts[slot] = e.UnsignedValue(); return true;
    case kKeyAttempted:
    case kKeySucceeded: {
      const auto time = ParseDate(e.ValueView(0));
      if (!time) return false;
      (key == kKeyAttempted ? r.attempted : r.succeeded) = *time;
      return true;
    }
    case kKeyApplicationName: {
      if (e.Count() < 2) return false;
      // The key repeats, one line per language; the first line replaces
      // whatever an earlier section of the same list gave.
      if (!r.Has(kKeyApplicationName)) r.applicationNames.clear();
      r.applicationNames.push_back(TextEntry{e.Value(0), e.Value(1)});
      return true;
    }
    default:
      SetFlag(r.flags, kKeys[key].flag, e.SignedValue() != 0);
      return true;
  }
}

// Copies one field (or flag bit) from `from` to `into`.
void CopyField(const PublisherRecord& from, ListKey key, PublisherRecord& into) {
  switch (key) {
    case kKeyName: into.name = from.name; break;
    case kKeyHomePage: into.homePage = from.homePage; break;
    case kKeyDataSource: into.dataSource = from.dataSource; break;
    case kKeyDataFile: into.dataFile = from.dataFile; break;
    case kKeyPreviousItemsFile: into.previousItemsFile = from.previousItemsFile; break;
    case kKeyInactiveItemsFile: into.inactiveItemsFile = from.inactiveItemsFile; break;
    case kKeyApplicationIcon: into.applicationIcon = from.applicationIcon; break;
    case kKeyVersion: into.version = from.version; break;
    case kKeyEnabled:
      into.enabled = from.enabled;
      SetFlag(into.flags, kPublisherEnabled, from.enabled != 0);
      break;
    case kKeyAttempted: into.attempted = from.attempted; break;
    case kKeySucceeded: into.succeeded = from.succeeded; break;
    case kKeyFailedLastCheck: into.failedLastCheck = from.failedLastCheck; break;
    case kKeyLastCheckError: into.lastCheckError = from.lastCheckError; break;
    case kKeyApplicationName: into.applicationNames = from.applicationNames; break;
    case kKeyCount: break;  // kept per slot by the caller
    default: SetFlag(into.flags, kKeys[key].flag, (from.flags & kKeys[key].flag) != 0); break;
  }
  into.present |= KeyBit(key);
}

HRESULT WriteKey(const PublisherRecord& r, ListKey key, CountSlot slot, CIniData& out) {
  const wchar_t* name = kKeys[key].name;
  switch (key) {
    case kKeyName: return out.AddText(name, r.name);
    case kKeyVersion: return out.AddText(name, r.version);
    case kKeyHomePage: return out.AddRaw(name, r.homePage);
    case kKeyDataSource: return out.AddRaw(name, r.dataSource);
    case kKeyDataFile: return out.AddRaw(name, r.dataFile);
    case kKeyPreviousItemsFile: return out.AddRaw(name, r.previousItemsFile);
    case kKeyInactiveItemsFile: return out.AddRaw(name, r.inactiveItemsFile);
    case kKeyApplicationIcon: return out.AddRaw(name, r.applicationIcon);
    case kKeyEnabled: return out.AddNumber(name, r.enabled);
    case kKeyFailedLastCheck: return out.AddNumber(name, r.failedLastCheck);
    case kKeyLastCheckError: return out.AddUnsigned(name, r.lastCheckError, kIniAlternateForm);
    case kKeyCount: return out.AddUnsigned(name, r.counts[slot]);
    case kKeyAttempted: return out.AddText(name, FormatDate(r.attempted));
    case kKeySucceeded: return out.AddText(name, FormatDate(r.succeeded));
    case kKeyApplicationName:
      for (const TextEntry& entry : r.applicationNames) {
        const std::wstring_view pair[] = {entry.language, entry.text};
        RETURN_IF_FAILED(out.AddList(name, pair, kIniAlternateForm));
      }
      return S_OK;
    default: return out.AddNumber(name, (r.flags & kKeys[key].flag) != 0 ? 1 : 0);
  }
}

}  // namespace

std::uint32_t CountedFlag(CountSlot slot) noexcept {
  constexpr std::uint32_t kFlags[kCountSlots] = {kPublisherCountedCurrentUser, kPublisherCountedAllUsers,
                                                 kPublisherCountedOlderCurrentUser, kPublisherCountedOlderAllUsers};
  return kFlags[slot];
}

CountSlot SlotOf(ListSource source, StoreScope scope) noexcept {
  if (IsOlderSource(source)) return scope == kScopeCurrentUser ? kSlotOlderCurrentUser : kSlotOlderAllUsers;
  return scope == kScopeCurrentUser ? kSlotCurrentUser : kSlotAllUsers;
}

IniSchema ListFileSchema() noexcept { return kSchema; }

PublisherRecord* FindRecord(std::vector<PublisherRecord>& records, std::wstring_view id) noexcept {
  for (PublisherRecord& r : records)
    if (CStringUtil::EqualsNoCase(r.id, id)) return &r;
  return nullptr;
}

HRESULT ReadListRecords(const CIniData& data, CountSlot slot, std::vector<PublisherRecord>& records) {
  try {
    RecordPositions positions(records);
    PublisherRecord* current = nullptr;
    for (const IniEntry e : data.Entries()) {
      if (e.Kind() == kIniSection) {
        std::wstring_view id = e.NameView();
        const BuiltinPublisher* row = FindBuiltinPublisher(id);
        if (row) id = row->id;
        const std::size_t position = positions.Find(id);
        if (position != RecordPositions::kNone) {
          current = &records[position];
        } else {
          records.emplace_back();
          current = &records.back();
          current->id = id;
          positions.Add(records.size() - 1);
        }
        if (row) LinkBuiltinRow(*current, *row);
        continue;
      }
      if (!current || e.Kind() == kIniVerbatim) continue;
      const std::int32_t key = KeyOf(e);
      if (key < 0 || e.Count() == 0) continue;
      const ListKey listKey = static_cast<ListKey>(key);
      if (ReadKey(e, listKey, slot, *current)) current->present |= KeyBit(listKey);
    }
    return S_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

void MergeListRecord(const PublisherRecord& from, ListSource source, CountSlot slot, PublisherRecord& into) {
  const bool fromCurrent = source == kSourceCurrentList;
  const bool intoNewer = into.Has(kKeyVersion) && from.Has(kKeyVersion) &&
                         CompareVersions(into.version, from.version) == kVersionNewer;
  const bool mayReplace = fromCurrent && !intoNewer;
  if (from.builtin) LinkBuiltinRow(into, *from.builtin);
  for (std::uint32_t k = 0; k < kListKeyCount; ++k) {
    const ListKey key = static_cast<ListKey>(k);
    if (!from.Has(key)) continue;
    if (key == kKeyCount) {
      const std::uint32_t count = from.counts[slot];
      into.counts[slot] = IsOlderSource(source) ? std::max(into.counts[slot], count) : count;
      SetFlag(into.flags, CountedFlag(slot), into.counts[slot] != 0);
      into.present |= KeyBit(key);
    } else if ((KeyBit(key) & kCheckStateKeys) && into.Has(key) && IsAllUsersSlot(slot)) {
      // The user's own check state and switch, read first, stay: the
      // all-users list holds no one's choices (older releases wrote them
      // there for every user).
    } else if (IsCurrentOnlyKey(k)) {
      if (fromCurrent) CopyField(from, key, into);
    } else if (!into.Has(key) || mayReplace) {
      CopyField(from, key, into);
    }
  }
  // A publisher the user registered by hand has no count, yet it is
  // registered for the user as much as a counted one.
  if (fromCurrent && slot == kSlotCurrentUser && from.Has(kKeyUserRegistered) && (from.flags & kPublisherUserRegistered))
    into.flags |= kPublisherCountedCurrentUser;
}

HRESULT WriteListRecords(std::span<const PublisherRecord> records, CountSlot slot, CIniData& out) {
  try {
    for (const PublisherRecord& r : records) {
      RETURN_IF_FAILED(out.AddSection(r.id));
      for (std::uint32_t k = 0; k < kListKeyCount; ++k)
        if (r.Has(static_cast<ListKey>(k))) RETURN_IF_FAILED(WriteKey(r, static_cast<ListKey>(k), slot, out));
    }
    return S_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

}  // namespace wendrix

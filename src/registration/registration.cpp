#include "registration/registration.h"

#include <windows.h>

#include <new>
#include <vector>

#include "core/string_util.h"
#include "platform/path_containment.h"
#include "publisher/publisher_id.h"
#include "registration/publisher_store.h"
#include "registration/side_files.h"
#include "registration/store_folders.h"
#include "registration/store_mutex.h"
#include "registration/user_counters.h"
#include "setup/journal.h"

namespace wendrix {
namespace {

// Which kinds of registration a user's list holds: an ordinary one (a
// product's count) is counted in Count, one the user made in Count2.
struct Kinds {
  bool counted = false;
  bool user = false;
};

Kinds KindsOf(const std::vector<PublisherRecord>& records) noexcept {
  Kinds kinds;
  for (const PublisherRecord& r : records) {
    if (r.Has(kKeyCount) && r.counts[kSlotCurrentUser] != 0) kinds.counted = true;
    if (r.Has(kKeyUserRegistered) && (r.flags & kPublisherUserRegistered)) kinds.user = true;
  }
  return kinds;
}

HRESULT UpdateCounters(const Kinds& before, const Kinds& after, CJournal* journal) {
  if (before.counted != after.counted)
    RETURN_IF_FAILED(ChangeUserCounter(UserCounter::kCount, after.counted ? +1 : -1, journal));
  if (before.user != after.user)
    RETURN_IF_FAILED(ChangeUserCounter(UserCounter::kCount2, after.user ? +1 : -1, journal));
  return S_OK;
}

// Brings <ID>.ico of the scope's folder in line with the registration and
// sets the record's ApplicationIcon.
HRESULT UpdateRegistrationIcon(const Registration& registration, const std::wstring& folder, PublisherRecord& record,
                               CJournal* journal) {
  std::wstring icon;
  RETURN_IF_FAILED(ResolveInsideFolder(folder, registration.id + L".ico", icon));
  NamedMutexLock lock;
  RETURN_IF_FAILED(lock.Acquire(kIconsMutex, MutexUsers::kAnyUser));
  if (registration.iconFile.empty()) {
    record.applicationIcon.clear();
    record.present &= ~KeyBit(kKeyApplicationIcon);
    return DeleteFileNoted(icon, journal);
  }
  if (!CStringUtil::EqualsNoCase(registration.iconFile, icon)) {
    if (journal) RETURN_IF_FAILED(journal->NoteFileToWrite(icon));
    if (!CopyFileW(registration.iconFile.c_str(), icon.c_str(), FALSE))
      return LastErrorResult();
  }
  record.applicationIcon = icon;
  record.present |= KeyBit(kKeyApplicationIcon);
  return S_OK;
}

HRESULT DeleteIconFiles(const std::wstring& id, CJournal* journal) {
  std::wstring folder;
  RETURN_IF_FAILED(StoreFolder(kScopeCurrentUser, StoreProduct::kCurrent, folder));
  NamedMutexLock lock;
  RETURN_IF_FAILED(lock.Acquire(kIconsMutex, MutexUsers::kAnyUser));
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW found;
  UniqueFind find(FindFirstFileW((folder + id + L"-*.ico").c_str(), &found));
  if (find) {
    do {
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.emplace_back(found.cFileName);
    } while (FindNextFileW(find.Get(), &found));
  }
  for (const std::wstring& name : names) RETURN_IF_FAILED(DeleteFileNoted(folder + name, journal));
  return S_OK;
}

}  // namespace

Registration RegistrationOf(const PublisherRecord& record, CountSlot slot, bool counted, const std::wstring& iconFile) {
  Registration r;
  r.id = record.id;
  r.name = record.name;
  r.homePage = record.homePage;
  r.dataSource = record.dataSource;
  r.version = record.version;
  r.applicationNames = record.applicationNames;
  r.iconFile = iconFile;
  r.flags = record.flags;
  r.hasCount = counted;
  r.count = record.counts[slot];
  return r;
}

HRESULT RegisterInScope(const Registration& registration, StoreScope scope, CJournal* journal) {
  if (!IsSafePublisherId(registration.id)) return E_INVALIDARG;
  try {
    NamedMutexLock lock;
    RETURN_IF_FAILED(lock.Acquire(kPublisherMutex, MutexUsers::kAnyUser));
    std::vector<PublisherRecord> records;
    RETURN_IF_FAILED(ReadScopeList(scope, records, nullptr));
    const Kinds before = KindsOf(records);

    PublisherRecord* record = FindRecord(records, registration.id);
    if (!record) {
      records.emplace_back();
      record = &records.back();
      record->id = registration.id;
    }
    record->name = registration.name;
    record->homePage = registration.homePage;
    record->dataSource = registration.dataSource;
    record->applicationNames = registration.applicationNames;
    record->version = registration.version;
    record->flags = (record->flags & ~kRegisteredFlags) | (registration.flags & kRegisteredFlags);
    record->present |= kRegisteredKeys;
    const CountSlot slot = SlotOf(kSourceCurrentList, scope);
    if (registration.hasCount) {
      record->counts[slot] = registration.count;
      record->present |= KeyBit(kKeyCount);
    }
    if (scope == kScopeCurrentUser && (!registration.hasCount || registration.count == 0)) {
      record->flags |= kPublisherUserRegistered;
      record->present |= KeyBit(kKeyUserRegistered);
    }

    std::wstring folder;
    RETURN_IF_FAILED(CreateStoreFolder(scope, journal, folder));
    RETURN_IF_FAILED(UpdateRegistrationIcon(registration, folder, *record, journal));
    RETURN_IF_FAILED(WriteScopeList(scope, records, journal));
    if (scope == kScopeCurrentUser) RETURN_IF_FAILED(UpdateCounters(before, KindsOf(records), journal));
    return S_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

HRESULT UnregisterFromScope(std::wstring_view id, StoreScope scope, CJournal* journal) {
  if (!IsSafePublisherId(id)) return E_INVALIDARG;
  try {
    NamedMutexLock lock;
    RETURN_IF_FAILED(lock.Acquire(kPublisherMutex, MutexUsers::kAnyUser));
    std::vector<PublisherRecord> records;
    RETURN_IF_FAILED(ReadScopeList(scope, records, nullptr));
    const Kinds before = KindsOf(records);
    const PublisherRecord* record = FindRecord(records, id);
    if (!record) return S_FALSE;
    const std::wstring listedId = record->id;
    records.erase(records.begin() + (record - records.data()));
    RETURN_IF_FAILED(WriteScopeList(scope, records, journal));

    std::wstring folder, icon;
    RETURN_IF_FAILED(StoreFolder(scope, StoreProduct::kCurrent, folder));
    RETURN_IF_FAILED(ResolveInsideFolder(folder, listedId + L".ico", icon));
    {
      NamedMutexLock iconLock;
      RETURN_IF_FAILED(iconLock.Acquire(kIconsMutex, MutexUsers::kAnyUser));
      RETURN_IF_FAILED(DeleteFileNoted(icon, journal));
    }
    if (scope == kScopeCurrentUser) RETURN_IF_FAILED(UpdateCounters(before, KindsOf(records), journal));
    return S_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

HRESULT Unregister(const PublisherRecord& record, std::uint32_t scopes, CJournal* journal) {
  // The ID makes the names of every file deleted below.
  if (!IsSafePublisherId(record.id)) return E_INVALIDARG;
  bool listed = false;
  for (const auto& [bit, scope] : {std::pair{kRegisterAllUsers, kScopeAllUsers},
                                   std::pair{kRegisterCurrentUser, kScopeCurrentUser}}) {
    if (!(scopes & bit)) continue;
    const HRESULT hr = UnregisterFromScope(record.id, scope, journal);
    RETURN_IF_FAILED(hr);
    listed = listed || hr == S_OK;
  }
  for (SideFile kind : {SideFile::kData, SideFile::kPreviousItems, SideFile::kInactiveItems})
    RETURN_IF_FAILED(WriteSideFile(record, kind, L"", journal));
  RETURN_IF_FAILED(DeleteIconFiles(record.id, journal));
  return listed ? S_OK : S_FALSE;
}

}  // namespace wendrix

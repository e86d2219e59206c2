#include "registration/publisher_store.h"

#include <windows.h>

#include <new>

#include "core/ini_data_buffer.h"
#include "platform/ini_data_registry.h"
#include "platform/ini_file.h"
#include "platform/known_folders.h"
#include "platform/registry.h"
#include "core/string_util.h"
#include "core/version.h"
#include "platform/path_containment.h"
#include "publisher/builtin_publishers.h"
#include "publisher/id_index.h"
#include "publisher/publisher_id.h"
#include "registration/store_folders.h"
#include "registration/store_mutex.h"
#include "setup/journal.h"

namespace wendrix {
namespace {

bool IsMissing(HRESULT hr) noexcept {
  return hr == HResultFromWin32(ERROR_FILE_NOT_FOUND) || hr == HResultFromWin32(ERROR_PATH_NOT_FOUND);
}

// Copies the check state that `from` holds into a record read from a list;
// true when a value changed. Keys `from` does not hold keep the list's value,
// which another process may have written since our open.
bool CopyCheckState(const PublisherRecord& from, PublisherRecord& into) {
  bool changed = false;
  const auto copy = [&](ListKey key, auto PublisherRecord::*field) {
    if (!from.Has(key)) return;
    if (!into.Has(key) || into.*field != from.*field) changed = true;
    into.*field = from.*field;
    into.present |= KeyBit(key);
  };
  copy(kKeyEnabled, &PublisherRecord::enabled);
  copy(kKeyAttempted, &PublisherRecord::attempted);
  copy(kKeySucceeded, &PublisherRecord::succeeded);
  copy(kKeyFailedLastCheck, &PublisherRecord::failedLastCheck);
  copy(kKeyLastCheckError, &PublisherRecord::lastCheckError);
  return changed;
}

// A publisher that moved its data file takes its new identity into the list.
bool CopyMovedIdentity(const PublisherRecord& from, PublisherRecord& into) {
  bool changed = false;
  const auto copy = [&](ListKey key, std::wstring PublisherRecord::*field) {
    if (from.*field == into.*field) return;
    into.*field = from.*field;
    into.present |= KeyBit(key);
    changed = true;
  };
  copy(kKeyName, &PublisherRecord::name);
  copy(kKeyHomePage, &PublisherRecord::homePage);
  copy(kKeyDataSource, &PublisherRecord::dataSource);
  return changed;
}

// Forgets a listed path that does not resolve inside `folder` (or any path
// when there is no folder): the field then reads as not set.
void KeepInside(const std::wstring* folder, ListKey key, std::wstring& path, PublisherRecord& record) {
  if (path.empty()) return;
  std::wstring resolved;
  if (folder && SUCCEEDED(ResolveInsideFolder(*folder, path, resolved))) return;
  path.clear();
  record.present &= ~KeyBit(key);
}

// A list file can be written by other users (the all-users list) and by
// older software: what it says is kept only where it cannot lead outside the
// store. A section whose name is not a publisher ID is passed over, as its
// name would become file names; the side-file paths must lie in the current
// user's folder and the registration icon in the folder of the list's scope,
// else they are forgotten and the publisher's own files are used.
void KeepSafeRecords(std::vector<PublisherRecord>& records, StoreScope scope) {
  std::erase_if(records, [](const PublisherRecord& r) { return !IsSafePublisherId(r.id); });
  std::wstring userFolder, scopeFolder;
  const bool hasUser = SUCCEEDED(StoreFolder(kScopeCurrentUser, StoreProduct::kCurrent, userFolder));
  const bool hasScope = SUCCEEDED(StoreFolder(scope, StoreProduct::kCurrent, scopeFolder));
  for (PublisherRecord& r : records) {
    KeepInside(hasUser ? &userFolder : nullptr, kKeyDataFile, r.dataFile, r);
    KeepInside(hasUser ? &userFolder : nullptr, kKeyPreviousItemsFile, r.previousItemsFile, r);
    KeepInside(hasUser ? &userFolder : nullptr, kKeyInactiveItemsFile, r.inactiveItemsFile, r);
    KeepInside(hasScope ? &scopeFolder : nullptr, kKeyApplicationIcon, r.applicationIcon, r);
  }
}

constexpr wchar_t kOlderProductKey[] = L"SOFTWARE\\Kestmoor\\Pellister";

HKEY RootOf(StoreScope scope) noexcept { return scope == kScopeCurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE; }

const wchar_t* OlderRegistryPath(ListSource source) noexcept {
  return source == kSourceOlderRegistry2 ? L"SOFTWARE\\Kestmoor\\Pellister\\2.0\\Publishers"
                                         : L"SOFTWARE\\Kestmoor\\Pellister\\3.0\\Publishers";
}

}  // namespace

HRESULT ReadScopeList(StoreScope scope, std::vector<PublisherRecord>& records, std::uint32_t* errorLine) {
  if (errorLine) *errorLine = 0;
  std::wstring folder, path;
  RETURN_IF_FAILED(StoreFolder(scope, StoreProduct::kCurrent, folder));
  RETURN_IF_FAILED(StorePath(folder, ListFileName(scope), path));
  CIniDataBuffer data;
  const HRESULT hr = LoadIniFile(path.c_str(), data, ListFileSchema(), errorLine);
  if (IsMissing(hr)) return S_OK;
  RETURN_IF_FAILED(hr);
  RETURN_IF_FAILED(ReadListRecords(data, SlotOf(kSourceCurrentList, scope), records));
  KeepSafeRecords(records, scope);
  return S_OK;
}

HRESULT WriteScopeList(StoreScope scope, const std::vector<PublisherRecord>& records, CJournal* journal) {
  std::wstring folder, path;
  RETURN_IF_FAILED(CreateStoreFolder(scope, journal, folder));
  RETURN_IF_FAILED(StorePath(folder, ListFileName(scope), path));
  if (records.empty()) return DeleteFileNoted(path, journal);
  CIniDataBuffer data;
  RETURN_IF_FAILED(WriteListRecords(records, SlotOf(kSourceCurrentList, scope), data));
  RETURN_IF_FAILED(data.Save(kIniSaveUnicode));
  if (journal) RETURN_IF_FAILED(journal->NoteFileToWrite(path));
  return WriteUnicodeTextFile(path.c_str(), data.Text());
}

HRESULT CPublisherStore::Open(bool includeOlder, CJournal* journal) {
  m_records.clear();
  m_errorFile.clear();
  m_errorLine = 0;
  try {
    // Every source lies in one of a few folders: each is asked of the shell
    // once per open.
    const KnownFolderScope folders;
    // One hold of the lock for all the sources: each wait is a round trip to
    // the system, and the lists read under one hold agree with each other.
    SourceReading reading;
    OlderFolderState userOlder = OlderFolderState::kUnknown;
    for (StoreScope scope : {kScopeCurrentUser, kScopeAllUsers}) {
      reading.older = OlderFolderState::kUnknown;
      reading.olderKeyKnown = false;
      for (std::uint32_t s = includeOlder ? 0u : static_cast<std::uint32_t>(kSourceCurrentList); s < kListSources; ++s) {
        const HRESULT hr = ReadSource(static_cast<ListSource>(s), scope, reading);
        if (FAILED(hr)) {
          m_records.clear();
          return hr;
        }
      }
      if (scope == kScopeCurrentUser) userOlder = reading.older;
    }
    reading.lock.Release();
    SettleRecords();
    for (PublisherRecord& r : m_records)
      if (r.builtin) r.dataSource = r.builtin->dataSource;
    // Without the older product's folder there is nothing to import.
    if (includeOlder && userOlder != OlderFolderState::kMissing) RETURN_IF_FAILED(ImportOlderUserFiles(journal));
    return S_OK;
  } catch (const std::bad_alloc&) {
    m_records.clear();
    return E_OUTOFMEMORY;
  }
}

HRESULT CPublisherStore::SaveCheckState(CJournal* journal) {
  try {
    HRESULT first = S_OK;
    for (StoreScope scope : {kScopeCurrentUser, kScopeAllUsers}) {
      // A user may not write the all-users list: only a moved publisher's
      // new address goes there.
      if (scope == kScopeAllUsers && m_moved.empty()) continue;
      NamedMutexLock lock;
      RETURN_IF_FAILED(lock.Acquire(kPublisherMutex, MutexUsers::kAnyUser));
      std::vector<PublisherRecord> listed;
      HRESULT hr = ReadScopeList(scope, listed, nullptr);
      bool changed = false;
      RecordPositions positions(listed);
      for (const PublisherRecord& r : m_records) {
        std::size_t at = positions.Find(r.id);
        const bool moved = at != RecordPositions::kNone && IsMoved(r.id);
        if (scope == kScopeCurrentUser && (r.present & kCheckStateKeys)) {
          if (at == RecordPositions::kNone) {
            // Registered for all users only, or the library's own
            // publisher: the user's state gets a section of its own.
            at = listed.size();
            listed.emplace_back().id = r.id;
            positions.Add(at);
          }
          changed |= CopyCheckState(r, listed[at]);
        }
        if (moved) changed |= CopyMovedIdentity(r, listed[at]);
      }
      if (SUCCEEDED(hr) && changed) hr = WriteScopeList(scope, listed, journal);
      if (FAILED(hr) && SUCCEEDED(first)) first = hr;  // the other list is still saved
    }
    return first;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

void CPublisherStore::SettleRecords() {
  // A section with nothing but a user's check state registers nothing: the
  // store writes one into the user's list for a publisher registered for
  // all users, and it outlives that registration.
  const auto registers = [](const PublisherRecord& r) {
    return r.present == 0 || (r.present & ~kCheckStateKeys) != 0;
  };
  std::erase_if(m_records, [&](const PublisherRecord& r) { return !registers(r) && !IsSelfPublisher(r); });
  // A machine where nothing is registered has nothing to check, the library
  // included: it goes when its last publisher does.
  if (std::none_of(m_records.begin(), m_records.end(), registers)) {
    m_records.clear();
    return;
  }
  for (const PublisherRecord& r : m_records)
    if (IsSelfPublisher(r)) return;
  const BuiltinPublisher& row = SelfPublisher();
  PublisherRecord& self = m_records.emplace_back();
  self.id = row.id;
  self.name = row.name;
  self.homePage = row.homePage;
  self.dataSource = row.dataSource;
  LinkBuiltinRow(self, row);
}

void CPublisherStore::MarkMoved(std::wstring_view id) {
  if (!IsMoved(id)) m_moved.emplace_back(id);
}

bool CPublisherStore::IsMoved(std::wstring_view id) const noexcept {
  for (const std::wstring& moved : m_moved)
    if (CStringUtil::EqualsNoCase(moved, id)) return true;
  return false;
}

HRESULT CPublisherStore::ReadSource(ListSource source, StoreScope scope, SourceReading& reading) {
  const StoreProduct product = source == kSourceCurrentList ? StoreProduct::kCurrent : StoreProduct::kOlder;
  std::wstring folder;
  const HRESULT folderResult = StoreFolder(scope, product, folder);
  if (product == StoreProduct::kOlder && FAILED(folderResult)) return S_OK;  // no older data without its folder
  RETURN_IF_FAILED(folderResult);

  if (!reading.held) {
    RETURN_IF_FAILED(reading.lock.Acquire(kPublisherMutex, MutexUsers::kAnyUser));
    reading.held = true;
  }
  if (product == StoreProduct::kOlder && reading.older == OlderFolderState::kUnknown) {
    // Most machines never had the older product: one look at its folder
    // spares the look for its marker and its list file, which cannot exist
    // without it. Its registry lists do not depend on the folder.
    std::wstring marker;
    if (!PathExists(folder)) reading.older = OlderFolderState::kMissing;
    else if (SUCCEEDED(StorePath(folder, kOlderImportedMarker, marker)) && PathExists(marker))
      reading.older = OlderFolderState::kImported;
    else reading.older = OlderFolderState::kPresent;
  }
  if (source == kSourceOlderRegistry2 || source == kSourceOlderRegistry3) {
    if (reading.older == OlderFolderState::kImported) return S_OK;
    const HKEY root = RootOf(scope);
    if (!reading.olderKeyKnown) {
      // Both registry lists lie under the older product's key: where that is
      // missing, one look spares opening each list.
      RegistryKey product;
      reading.olderKeyMissing = product.Open(root, kOlderProductKey, KEY_READ, KEY_WOW64_32KEY) == ERROR_FILE_NOT_FOUND;
      reading.olderKeyKnown = true;
    }
    if (reading.olderKeyMissing) return S_OK;
    CIniDataRegistry data(root, OlderRegistryPath(source), KEY_WOW64_32KEY);
    const HRESULT hr = data.Load(ListFileSchema());
    if (IsMissing(hr)) return S_OK;
    RETURN_IF_FAILED(hr);
    return MergeSource(data, source, scope);
  }
  if (product == StoreProduct::kOlder && reading.older == OlderFolderState::kMissing) return S_OK;
  std::wstring path;
  RETURN_IF_FAILED(StorePath(folder, ListFileName(scope), path));
  CIniDataBuffer data;
  std::uint32_t line = 0;
  const HRESULT hr = LoadIniFile(path.c_str(), data, ListFileSchema(), &line);
  if (IsMissing(hr)) return S_OK;
  if (FAILED(hr)) {
    m_errorFile = path;
    m_errorLine = line;
    return hr;
  }
  return MergeSource(data, source, scope);
}

HRESULT CPublisherStore::MergeSource(const CIniData& data, ListSource source, StoreScope scope) {
  const CountSlot slot = SlotOf(source, scope);
  std::vector<PublisherRecord> read;
  RETURN_IF_FAILED(ReadListRecords(data, slot, read));
  KeepSafeRecords(read, scope);
  RecordPositions positions(m_records);
  for (const PublisherRecord& from : read) {
    std::size_t at = positions.Find(from.id);
    if (at == RecordPositions::kNone) {
      at = m_records.size();
      m_records.emplace_back();
      m_records.back().id = from.id;
      positions.Add(at);
    }
    MergeListRecord(from, source, slot, m_records[at]);
  }
  return S_OK;
}

PublisherRecord* CPublisherStore::Find(std::wstring_view id) noexcept {
  if (const BuiltinPublisher* row = FindBuiltinPublisher(id)) id = row->id;
  return FindRecord(m_records, id);
}

PublisherRecord* CPublisherStore::FindByName(std::wstring_view name) noexcept {
  for (PublisherRecord& r : m_records)
    if (CStringUtil::EqualsNoCase(r.name, name)) return &r;
  return nullptr;
}

bool CPublisherStore::Contains(std::wstring_view id) const {
  for (const PublisherRecord& r : m_records)
    if (r.id == id) return true;
  return false;
}

std::optional<std::wstring> CPublisherStore::PublisherVersion(std::wstring_view id) const {
  for (const PublisherRecord& r : m_records)
    if (r.id == id) return r.version.empty() ? std::wstring(L"0.0") : r.version;
  return std::nullopt;
}

void CPublisherStore::RecordRequiredVersion(std::wstring_view version) {
  if (m_requiredVersion.empty() || CompareVersions(version, m_requiredVersion) == kVersionNewer)
    m_requiredVersion = version;
}

HRESULT ImportOlderUserFiles(CJournal* journal) {
  std::wstring olderFolder, folder, olderList, marker;
  if (FAILED(StoreFolder(kScopeCurrentUser, StoreProduct::kOlder, olderFolder))) return S_OK;
  RETURN_IF_FAILED(StorePath(olderFolder, kCurrentUserListFile, olderList));
  if (!PathExists(olderList)) return S_OK;
  RETURN_IF_FAILED(StoreFolder(kScopeCurrentUser, StoreProduct::kCurrent, folder));
  RETURN_IF_FAILED(StorePath(folder, kImportedLegacyFile, marker));
  if (PathExists(marker)) return S_OK;
  RETURN_IF_FAILED(CreateStoreFolder(kScopeCurrentUser, journal, folder));

  WIN32_FIND_DATAW found;
  UniqueFind find(FindFirstFileW((olderFolder + L"*").c_str(), &found));
  if (find) {
    do {
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
      std::wstring source, target;
      if (FAILED(StorePath(olderFolder, found.cFileName, source)) || FAILED(StorePath(folder, found.cFileName, target)))
        continue;  // a name too long for the new folder stays behind
      if (PathExists(target)) continue;
      if (journal) RETURN_IF_FAILED(journal->NoteFileToWrite(target));
      RETURN_LAST_ERROR_IF(!CopyFileW(source.c_str(), target.c_str(), TRUE));
    } while (FindNextFileW(find.Get(), &found));
  }
  if (journal) RETURN_IF_FAILED(journal->NoteFileToWrite(marker));
  return WriteUnicodeTextFile(marker.c_str(), L"[General]\r\nImported = 1\r\n");
}

HRESULT ListStoreSources(std::vector<StoreSourceFile>& files, std::vector<StoreSourceKey>& keys) {
  files.clear();
  keys.clear();
  try {
    const auto add = [&](std::wstring path, std::size_t onlyWith) {
      files.push_back(StoreSourceFile{std::move(path), onlyWith});
      return files.size() - 1;
    };
    const auto inside = [](const std::wstring& folder, std::wstring_view name) {
      std::wstring path;
      return SUCCEEDED(StorePath(folder, name, path)) ? path : folder + std::wstring(name);
    };
    for (StoreScope scope : {kScopeCurrentUser, kScopeAllUsers}) {
      std::wstring folder;
      RETURN_IF_FAILED(StoreFolder(scope, StoreProduct::kCurrent, folder));
      add(inside(folder, ListFileName(scope)), StoreSourceFile::kAlways);
      keys.push_back(StoreSourceKey{RootOf(scope), kOlderProductKey, KEY_WOW64_32KEY});
      std::wstring older;
      if (FAILED(StoreFolder(scope, StoreProduct::kOlder, older))) continue;
      // The older product's marker and list are looked at only in its folder,
      // and the import's marker only once there is a list to import.
      const std::size_t olderFolder = add(older, StoreSourceFile::kAlways);
      add(inside(older, kOlderImportedMarker), olderFolder);
      const std::size_t olderList = add(inside(older, ListFileName(scope)), olderFolder);
      if (scope == kScopeCurrentUser) add(inside(folder, kImportedLegacyFile), olderList);
    }
    return S_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

}  // namespace wendrix

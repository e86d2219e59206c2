#pragma once
// CPublisherStore: the registered publishers of the current user and of all
// users, read from their list files for the length of one call.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/result.h"
#include "platform/named_mutex.h"
#include "publisher/environment.h"
#include "registration/list_file.h"
#include "registration/publisher_record.h"

namespace wendrix {

class CJournal;

class CPublisherStore : public PublisherList {
 public:
  // Empties the list and reads the sources in order: for the current user,
  // then for all users, the older product's registry lists (skipped when its
  // folder holds "Imported.ini"), its list file and the current list file,
  // all under one hold of "WendrixMutex_Publisher". Without `includeOlder` only the
  // current list files are read; with it, the older product's per-user files
  // are then imported once. A missing list is no error; a list that does not
  // parse empties the list and ends the open with its code, and
  // ErrorFile()/ErrorLine() name the file and line. Sections and paths a
  // list may not name are passed over as ReadScopeList says. A section that
  // holds only check state (see SaveCheckState) adds that state to the
  // publisher of the same ID and is no publisher by itself. When the lists
  // register any publisher and none of them is the self publisher, its
  // record is added last with the built-in values (ID, name, home page and
  // data source): the library checks itself for updates beside the
  // publishers it serves.
  HRESULT Open(bool includeOlder, CJournal* journal);

  std::vector<PublisherRecord>& Records() noexcept { return m_records; }
  const std::vector<PublisherRecord>& Records() const noexcept { return m_records; }

  // By ID (a built-in alias is taken for its ID), ignoring case; null when none.
  PublisherRecord* Find(std::wstring_view id) noexcept;
  // By name, ignoring case; null when none.
  PublisherRecord* FindByName(std::wstring_view name) noexcept;

  // Writes the check state of every record (the kCheckStateKeys fields it
  // holds, Enabled among them) into the current user's list, adding a
  // section that holds only that state for a publisher the list does not
  // register: what a check found and the user's switch are the user's, and
  // a user need not be able to write the all-users list, which gets only the
  // new identity of a moved publisher registered there. Each list is re-read
  // and rewritten under "WendrixMutex_Publisher", and only when a value
  // changed, so registrations and state that other processes wrote since the
  // open are kept. A list that cannot be written does not stop the other;
  // the first failure is returned.
  HRESULT SaveCheckState(CJournal* journal);

  // A check found that the publisher moved its data file: SaveCheckState
  // then also writes its name, home page and data source.
  void MarkMoved(std::wstring_view id);

  const std::wstring& ErrorFile() const noexcept { return m_errorFile; }
  std::uint32_t ErrorLine() const noexcept { return m_errorLine; }

  // The highest library version that a data file required; empty when none.
  const std::wstring& RequiredVersion() const noexcept { return m_requiredVersion; }
  void ClearRequiredVersion() noexcept { m_requiredVersion.clear(); }

  // PublisherList.
  bool Contains(std::wstring_view id) const override;
  std::optional<std::wstring> PublisherVersion(std::wstring_view id) const override;
  void RecordRequiredVersion(std::wstring_view version) override;

 private:
  // What one open learns as it reads the sources in turn.
  enum class OlderFolderState { kUnknown, kMissing, kImported, kPresent };
  struct SourceReading {
    NamedMutexLock lock;  // the publisher lock, taken by the first source read
    bool held = false;
    OlderFolderState older = OlderFolderState::kUnknown;  // of the scope being read
    bool olderKeyKnown = false;    // whether the older product's registry key was looked for in this scope
    bool olderKeyMissing = false;  // and found missing
  };
  HRESULT ReadSource(ListSource source, StoreScope scope, SourceReading& reading);
  void SettleRecords();
  bool IsMoved(std::wstring_view id) const noexcept;
  HRESULT MergeSource(const CIniData& data, ListSource source, StoreScope scope);

  std::vector<PublisherRecord> m_records;
  std::wstring m_errorFile;
  std::uint32_t m_errorLine = 0;
  std::wstring m_requiredVersion;
  std::vector<std::wstring> m_moved;
};

// Reads the list file of a scope into records (only the keys present), with
// `Count` in the scope's slot. A missing file gives an empty list. A section
// whose name is not a safe publisher ID (IsSafePublisherId) is passed over;
// DataFile, PreviousItemsFile and InactiveItemsFile that do not resolve
// inside the current user's folder, and an ApplicationIcon that does not
// resolve inside the scope's folder, read as not set. The caller holds
// "WendrixMutex_Publisher".
HRESULT ReadScopeList(StoreScope scope, std::vector<PublisherRecord>& records, std::uint32_t* errorLine);

// Writes records as the list file of a scope (creating the folder); a list
// without records deletes the file instead. With a journal the file is noted
// first. The caller holds "WendrixMutex_Publisher".
HRESULT WriteScopeList(StoreScope scope, const std::vector<PublisherRecord>& records, CJournal* journal);

// Copies the older product's per-user files into the current user's folder
// once (see Open); files already there are kept.
HRESULT ImportOlderUserFiles(CJournal* journal);

// What an Open with the older product's sources reads or looks for, for a
// caller that keeps an opened store and must notice when any of it changes:
// the files and folders, each with the index of the entry whose presence
// makes the open look at it (a folder's files, what a list leads to) or
// kAlways, and the registry keys.
struct StoreSourceFile {
  static constexpr std::size_t kAlways = static_cast<std::size_t>(-1);
  std::wstring path;
  std::size_t onlyWith = kAlways;
};
struct StoreSourceKey {
  HKEY root;
  const wchar_t* path;
  REGSAM view;
};
HRESULT ListStoreSources(std::vector<StoreSourceFile>& files, std::vector<StoreSourceKey>& keys);

}  // namespace wendrix

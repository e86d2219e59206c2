#include "update/check_engine.h"

#include <windows.h>

#include <new>
#include <optional>
#include <string>
#include <vector>

#include "core/ini_data_buffer.h"
#include "frame/messages.h"
#include "core/string_util.h"
#include "core/text_encoding.h"
#include "core/text_lines.h"
#include "frame/module_state.h"
#include "platform/folder_listing.h"
#include "platform/known_folders.h"
#include "platform/missing_files.h"
#include "publisher/builtin_publishers.h"
#include "publisher/hidden_data.h"
#include "publisher/id_index.h"
#include "publisher/loader.h"
#include "publisher/windows_environment.h"
#include "registration/publisher_store.h"
#include "registration/side_files.h"
#include "registration/store_folders.h"
#include "update/client.h"
#include "update/internet.h"
#include "update/previous_items.h"
#include "update/settings.h"
#include "update/transfer.h"
#include "update/url_text.h"
#include "resources/string_ids.h"

namespace wendrix {

bool IsExcludedFromChecks(const PublisherRecord& record) noexcept { return IsDirectoryPublisher(record.id); }

namespace {

constexpr HRESULT kTooManyMoves = HResultFromWin32(12156);  // ERROR_INTERNET_REDIRECT_FAILED
// An address a fetched file may not lead to (MayFetchFrom):
// ERROR_INTERNET_UNRECOGNIZED_SCHEME wrapped.
constexpr HRESULT kRefusedAddress = HResultFromWin32(12006);
constexpr int kMaxMoves = 5;
// What one check may download into memory, far above honest needs: no data
// file can make a check download without end.
constexpr std::uint64_t kDataFileLimit = 16u << 20;
constexpr std::uint64_t kIconLimit = 1u << 20;
constexpr std::size_t kMaxIconsPerPublisher = 64;
constexpr std::uint64_t kCheckDownloadLimit = 256u << 20;
// And how long one of its fetches may take: 16 MB at 28 KB/s.
constexpr std::uint64_t kFetchTimeLimit = 10 * 60 * 1000;

bool IsAbort(HRESULT hr) noexcept { return hr == E_ABORT || hr == HResultFromWin32(ERROR_CANCELLED); }
bool IsExcluded(const PublisherRecord& r) noexcept { return IsExcludedFromChecks(r); }

const PublisherEnvironment& Environment() {
  static const WindowsPublisherEnvironment env(Module().version);
  return env;
}

void SetState(PublisherRecord& r, ListKey key) noexcept { r.present |= KeyBit(key); }

PublisherData& ModelOf(PublisherRecord& record) {
  if (!record.model) record.model = std::make_shared<PublisherData>();
  PublisherData& data = *record.model;
  // The loader checks the file against the publisher as registered.
  data.publisher.id = record.id;
  data.publisher.name = record.name;
  data.publisher.homePage = record.homePage;
  data.publisher.dataSource = record.dataSource;
  if (IsSelfPublisher(record)) data.publisher.flags |= kPublisherSelf;
  return data;
}

// Puts `text` where the record holds a file's text; the file's stamp
// described the text held before, so other text makes it unknown.
void Hold(std::wstring& held, FileStamp& stamp, std::wstring text) {
  if (text == held) return;
  held = std::move(text);
  stamp = {};
}

void ForgetDataText(PublisherRecord& record) { Hold(record.dataText, record.dataStamp, {}); }

// The stored previous items into the record, with their stamp (read only
// when the file no longer has the stamp of the text held); none when the
// file cannot be read.
void ReadPreviousItems(PublisherRecord& record) {
  if (FAILED(ReadChangedSideFile(record, SideFile::kPreviousItems, record.previousItems, record.previousItemsStamp)))
    Hold(record.previousItems, record.previousItemsStamp, {});
}

HRESULT WriteError(const PublisherRecord& r, HRESULT code, std::wstring_view file, std::uint32_t line = 0) {
  return WriteErrorFile(r.id, ErrorReport{code, file, line, 0}, nullptr);
}

// The inactive-items text holds one item ID per line, as the item views
// write it. IDs that no longer name an item are dropped.
void PruneInactiveItems(const PublisherData& data, std::wstring& text) {
  std::wstring kept;
  CTextLines lines(text);
  std::wstring_view id;
  while (lines.Next(id)) {
    if (!id.empty() && data.FindItem(id)) {
      kept.append(id);
      kept += L"\r\n";
    }
  }
  text = std::move(kept);
}

// After a successful load: the items new since the previous check, and the
// inactive items that still name an item.
void AfterLoad(PublisherRecord& record, PublisherData& data, const std::wstring* previousItems = nullptr) {
  std::wstring inactive;
  if (!previousItems) {
    ReadPreviousItems(record);
    previousItems = &record.previousItems;
  }
  MarkNewItems(data, *previousItems);
  if (SUCCEEDED(ReadSideFile(record, SideFile::kInactiveItems, inactive))) {
    const std::wstring before = inactive;
    PruneInactiveItems(data, inactive);
    if (inactive != before) WriteSideFile(record, SideFile::kInactiveItems, inactive, nullptr);
  }
}

// Most data files have no icons: a look for "[Icon" spares them a parse.
bool HasIconSection(std::wstring_view text) noexcept {
  for (std::size_t at = text.find(L'['); at != std::wstring_view::npos; at = text.find(L'[', at + 1)) {
    std::wstring_view rest = text.substr(at + 1);
    while (!rest.empty() && IsBlank(rest.front())) rest.remove_prefix(1);
    if (CStringUtil::StartsWithNoCase(rest, L"Icon")) return true;
  }
  return false;
}

// The data file's icons: each icon with an ID and an address that is not
// stored with its version yet is fetched and stored. The file has loaded, so
// its Icon sections' IDs have passed the loader. At most
// kMaxIconsPerPublisher icons are fetched, each of at most kIconLimit
// bytes, from web addresses only (unless the data file is local), and none
// after the first that fails: an icon is decoration, not worth a check's
// time.
HRESULT FetchIcons(CTransfer& transfer, const PublisherRecord& record, const std::wstring& text,
                   const InternetSettings& settings) {
  if (!HasIconSection(text)) return S_OK;
  // Only the Icon sections matter here; the loader checks the rest.
  static constexpr IniSchemaRow kIconSchema[] = {
      {L"Icon", L"ID", 1, kIniText}, {L"Icon", L"URL", 2, kIniRaw}, {L"Icon", L"Version", 3, kIniText}};
  CIniDataBuffer entries;
  entries.SetText(std::wstring_view(text));
  if (FAILED(entries.Load(kIconSchema))) return S_OK;  // the load reports the syntax
  struct Icon {
    std::wstring id, url, version;
    std::uint32_t line = 0;
  };
  std::vector<Icon> icons;
  bool inIcon = false;
  for (IniEntry e : entries.Entries()) {
    if (e.Kind() == kIniSection) {
      inIcon = CStringUtil::EqualsNoCase(e.NameView(), L"Icon");
      if (inIcon) icons.push_back(Icon{L"", L"", L"", e.Line()});
      continue;
    }
    if (!inIcon || e.Count() == 0) continue;
    if (CStringUtil::EqualsNoCase(e.NameView(), L"ID")) icons.back().id = e.Value(0);
    else if (CStringUtil::EqualsNoCase(e.NameView(), L"URL")) icons.back().url = e.Value(0);
    else if (CStringUtil::EqualsNoCase(e.NameView(), L"Version")) icons.back().version = e.Value(0);
  }
  FoldedIdSet seen;  // views into `icons`, which no longer changes
  std::size_t fetched = 0;
  for (const Icon& icon : icons) {
    if (icon.id.empty() || icon.url.empty()) continue;
    if (!seen.Insert(icon.id)) continue;
    std::wstring path;
    if (FAILED(IconFilePath(record.id, icon.id, icon.version, path))) continue;
    if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) continue;
    if (fetched++ == kMaxIconsPerPublisher) break;
    HRESULT hr = MayFetchFrom(record.dataSource, icon.url) ? transfer.Fetch(icon.url.c_str(), nullptr, 0, kIconLimit)
                                                           : kRefusedAddress;
    if (SUCCEEDED(hr) && transfer.Result().Count() > 0) {
      const CBuffer<char>& bytes = transfer.Result();
      hr = WriteIconFile(record.id, icon.id, icon.version, std::string_view(bytes.Data(), bytes.Count()), nullptr);
      if (FAILED(hr)) {
        WriteError(record, hr, icon.url, icon.line);
        return hr;
      }
    } else if (FAILED(hr)) {
      if (!settings.iniDebug) break;
      WriteError(record, hr, icon.url, icon.line);
      return hr;
    }
  }
  return S_OK;
}

// An error or log-in page of a proxy instead of the data file.
bool LooksLikeHtml(std::wstring_view text) noexcept {
  while (!text.empty() && (text.front() == L' ' || text.front() == L'\t' || text.front() == L'\r' ||
                           text.front() == L'\n'))
    text.remove_prefix(1);
  return text.starts_with(L"<") && !text.starts_with(L"<?xml ");
}

bool IsEligible(const PublisherRecord& r, const wchar_t* filter) noexcept {
  return !IsExcluded(r) && r.IsEnabled() && (!filter || !*filter || MatchesFilter(r, filter));
}

void ShowSaveError(CClient* client, HRESULT hr) {
  const DWORD_PTR inserts[] = {static_cast<DWORD_PTR>(static_cast<DWORD>(hr))};
  LocalText text(FormatMessageText(kStrErrorCode, nullptr, inserts));
  LocalText title(FormatMessageText(kStrSaveDataTitle, nullptr, {}));
  // A client without a window (WendrixCheckEx) gets the box without an
  // owner: the user is told either way that the check's results were lost.
  if (text) MessageBoxW(client->GetWindow(), text.get(), title ? title.get() : L"", MB_OK | MB_ICONERROR);
}

}  // namespace

bool MatchesFilter(const PublisherRecord& record, const wchar_t* filter) noexcept {
  return filter && (CStringUtil::EqualsNoCase(record.id, filter) || CStringUtil::EqualsNoCase(record.name, filter));
}

HRESULT FetchPublisherData(CTransfer& transfer, CPublisherStore& store, PublisherRecord& record, bool scheduled,
                           const InternetSettings& settings, const std::wstring* previousItems) {
  (void)scheduled;  // a scheduled fetch is the same fetch; the transfer layer reads no flag from it
  if (record.dataSource.empty()) {
    WriteError(record, kMissingDataSource, L"");
    return E_INVALIDARG;
  }
  try {
    const DWORD_PTR name[] = {reinterpret_cast<DWORD_PTR>(record.name.c_str())};
    LocalText status(IsSelfPublisher(record) ? FormatMessageText(kStrCheckingSelfUpdates, nullptr, {})
                                             : FormatMessageText(kStrLoadingDataFor, nullptr, name));
    if (CClient* client = transfer.Client()) client->SetText(status ? status.get() : L"");

    HRESULT hr = transfer.Fetch(record.dataSource.c_str(), nullptr, kFetchTerminate, kDataFileLimit);
    if (FAILED(hr)) {
      WriteError(record, hr, record.dataSource);
      return hr;
    }
    const CBuffer<char>& bytes = transfer.Result();
    // The terminated result ends with two zero bytes that are not text.
    const std::size_t size = bytes.Count() >= 2 ? bytes.Count() - 2 : 0;
    std::wstring text = DecodeTextFile(std::string_view(bytes.Data(), size), SystemCodePage(0));
    while (!text.empty() && text.back() == L'\0') text.pop_back();
    if (LooksLikeHtml(text)) {
      WriteError(record, kHtmlData, record.dataSource);
      return kInvalidData;
    }
    Hold(record.dataText, record.dataStamp, std::move(text));

    PublisherData& data = ModelOf(record);
    std::uint32_t line = 0;
    const std::uint32_t options = kLoadHonourRedirectVersion | (settings.iniDebug ? std::uint32_t{kLoadStrict} : 0u);
    hr = LoadPublisherData(record.dataText.c_str(), &data, &store, nullptr, &line, options, Environment());
    if (FAILED(hr)) {
      if (hr != kNewerLibraryRequired) WriteError(record, hr, record.dataSource, line);
      ForgetDataText(record);
      return hr;
    }
    if (hr == S_FALSE) {
      // A file from the internet may not move its publisher onto the disk or
      // a share: the publisher stays where it was registered.
      if (!MayFetchFrom(record.dataSource, data.publisher.dataSource)) {
        WriteError(record, kRefusedAddress, data.publisher.dataSource);
        ForgetDataText(record);
        return kRefusedAddress;
      }
      // The publisher moved: its new place is remembered and fetched next.
      record.name = data.publisher.name;
      record.homePage = data.publisher.homePage;
      record.dataSource = data.publisher.dataSource;
      store.MarkMoved(record.id);
      return S_FALSE;
    }

    // Icons only for a file that loaded: nothing that an invalid file names
    // is fetched.
    hr = FetchIcons(transfer, record, record.dataText, settings);
    if (FAILED(hr)) {
      ForgetDataText(record);  // never kept unchecked
      data.ClearCollections();  // as after any failed load
      return hr;
    }
    AfterLoad(record, data, previousItems);
    // Most checks fetch what is stored already, and the file stays as it is.
    RETURN_IF_FAILED(WriteChangedSideFile(record, SideFile::kData, record.dataText, record.dataStamp));
    return S_OK;
  } catch (const std::bad_alloc&) {
    WriteError(record, E_OUTOFMEMORY, record.dataSource);
    return E_OUTOFMEMORY;
  }
}

HRESULT CheckPublisher(CTransfer& transfer, CPublisherStore& store, PublisherRecord& record, bool scheduled,
                       const InternetSettings& settings, bool* redirected) {
  record.failedLastCheck = 0;
  record.lastCheckError = 0;
  SetState(record, kKeyFailedLastCheck);
  SetState(record, kKeyLastCheckError);
  DeleteErrorFile(record.id, nullptr);
  // What the previous check found is the measure of what is new now.
  if (record.model) {
    Hold(record.previousItems, record.previousItemsStamp, MakePreviousItems(*record.model));
    WriteChangedSideFile(record, SideFile::kPreviousItems, record.previousItems, record.previousItemsStamp);
  } else {
    ReadPreviousItems(record);
  }
  record.attempted = FileTimeNow();
  SetState(record, kKeyAttempted);

  // Data files that send each other around would otherwise be fetched for
  // ever: a publisher moves a few times at most.
  HRESULT hr = S_FALSE;
  for (int moves = 0; hr == S_FALSE; ++moves) {
    CClient* client = transfer.Client();
    if (client && client->IsCancelled()) {
      hr = E_ABORT;
    } else if (moves > kMaxMoves) {
      hr = kTooManyMoves;
      WriteError(record, hr, record.dataSource);
    } else {
      hr = FetchPublisherData(transfer, store, record, scheduled, settings, &record.previousItems);
      if (hr == S_FALSE && redirected) *redirected = true;
    }
  }
  if (SUCCEEDED(hr)) {
    record.succeeded = FileTimeNow();
    SetState(record, kKeySucceeded);
    return S_OK;
  }
  if (hr == kNewerLibraryRequired) {
    record.failedLastCheck = 2;
    DeleteErrorFile(record.id, nullptr);
    return S_OK;
  }
  record.failedLastCheck = 1;
  record.lastCheckError = static_cast<std::uint32_t>(hr);
  std::wstring existing;
  if (SUCCEEDED(ErrorFilePath(record.id, existing)) &&
      (KnownMissing(existing) || GetFileAttributesW(existing.c_str()) == INVALID_FILE_ATTRIBUTES))
    WriteError(record, hr, record.dataSource);
  return hr;
}

bool LoadsWithFilter(const PublisherRecord& record, const wchar_t* filter) noexcept {
  if (IsExcluded(record)) return false;
  return !filter || !*filter || MatchesFilter(record, filter) || IsSelfPublisher(record);
}

namespace {

// The current user's store folder listed for the operation: most side files
// looked for there are missing, and the listing tells so at a fraction of a
// look each (folder_listing.h). Worth it only for the whole store.
void ListStoreFolder(std::optional<FolderListingScope>& listing) {
  std::wstring folder;
  if (SUCCEEDED(StoreFolder(kScopeCurrentUser, StoreProduct::kCurrent, folder))) listing.emplace(std::move(folder));
}

}  // namespace

HRESULT LoadStoredData(CPublisherStore& store, const wchar_t* filter) {
  const KnownFolderScope folders;  // every side file lives in the same folders
  store.ClearRequiredVersion();
  // The stored texts first, each kind in one pass. For the whole store the
  // folder is listed and each pass holds its kind's lock once (a lock taken
  // is a round trip to the system, 85 us under Wine, twice per publisher
  // otherwise); one lock at a time, never one inside the other.
  const bool wholeStore = !filter || !*filter;
  std::optional<FolderListingScope> listing;
  if (wholeStore) ListStoreFolder(listing);
  for (const SideFile kind : {SideFile::kData, SideFile::kPreviousItems}) {
    NamedMutexLock held;
    if (wholeStore) LockSideFiles(kind, held);  // without it, each read locks for itself
    for (PublisherRecord& record : store.Records()) {
      if (!LoadsWithFilter(record, filter)) continue;
      if (kind == SideFile::kData && record.dataText.empty()) LoadDataFile(record);
      if (kind == SideFile::kPreviousItems && !record.dataText.empty()) ReadPreviousItems(record);
    }
  }
  HRESULT first = S_OK;
  for (PublisherRecord& record : store.Records()) {
    if (!LoadsWithFilter(record, filter)) continue;
    PublisherData& data = ModelOf(record);
    if (record.dataText.empty()) {
      data.ClearCollections();
      continue;
    }
    std::uint32_t line = 0;
    const HRESULT hr = LoadPublisherData(record.dataText.c_str(), &data, &store, nullptr, &line, 0, Environment());
    if (SUCCEEDED(hr)) {
      AfterLoad(record, data, &record.previousItems);  // read above
      continue;
    }
    if (!record.IsEnabled() || IsSelfPublisher(record)) continue;
    // A publisher that hides its data from older libraries is not an error.
    if (hr == E_INVALIDARG && HidesFromThisLibrary(record.dataText)) continue;
    if (hr != kNewerLibraryRequired) WriteError(record, hr, record.dataSource, line);
    record.failedLastCheck = hr == kNewerLibraryRequired ? 2 : 1;
    record.lastCheckError = hr == kNewerLibraryRequired ? 0 : static_cast<std::uint32_t>(hr);
    SetState(record, kKeyFailedLastCheck);
    SetState(record, kKeyLastCheckError);
    if (SUCCEEDED(first)) first = hr;
  }
  return first;
}

HRESULT RunCheck(CTransfer& transfer, CClient* client, InternetSettings* settings, CPublisherStore* store,
                 const wchar_t* filter, std::uint32_t options, std::uint32_t* runFlagsOut) {
  if (!settings || !store || !client) return E_INVALIDARG;
  const KnownFolderScope folders;  // every side file lives in the same folders
  std::optional<FolderListingScope> listing;
  ListStoreFolder(listing);
  transfer.Bind(client, settings);
  // The check's share of the network, lifted again when it ends: the worker
  // thread's transfer serves its other jobs too.
  struct CheckLimits {
    explicit CheckLimits(CTransfer& t) : transfer(t) {
      transfer.SetMemoryBudget(kCheckDownloadLimit);
      transfer.SetMemoryFetchTime(kFetchTimeLimit);
    }
    ~CheckLimits() {
      transfer.SetMemoryBudget(kNoFetchLimit);
      transfer.SetMemoryFetchTime(kNoFetchLimit);
    }
    CTransfer& transfer;
  } limits(transfer);
  const bool filtered = filter && *filter;

  std::vector<PublisherRecord*> eligible;
  PublisherRecord* self = nullptr;
  for (PublisherRecord& r : store->Records()) {
    if (!IsEligible(r, filter)) {
      if (IsSelfPublisher(r) && !IsExcluded(r)) self = self ? self : &r;
      continue;
    }
    if (IsSelfPublisher(r)) self = &r;
    else eligible.push_back(&r);
  }
  const bool selfEligible = self && IsEligible(*self, filter) && !filtered;
  const std::size_t eligibleCount = eligible.size() + (selfEligible ? 1 : 0);

  store->ClearRequiredVersion();
  std::uint32_t flags = (options & kRunScheduled ? kRunFlagScheduled : 0) | (options & kRunLogged ? kRunFlagLogged : 0) |
                        (options & kRunAtStartup ? kRunFlagStartup : 0);
  client->Begin(flags);
  client->SetRange(0, eligibleCount);

  const bool scheduled = (options & kRunScheduled) != 0;
  HRESULT firstFailure = S_OK;
  std::size_t succeeded = 0;
  bool aborted = false;
  // `counted`: the publisher is one of the eligible ones whose outcome makes
  // the result. The self publisher's failure is the run's failure only while
  // debugging data files; it is no success either way.
  const auto check = [&](PublisherRecord& record, bool counted, bool failureShown) {
    bool redirected = false;
    const HRESULT hr = CheckPublisher(transfer, *store, record, scheduled, *settings, &redirected);
    if (redirected) flags |= kRunFlagRedirected;
    if (IsAbort(hr)) {
      aborted = true;
      flags |= kRunFlagAborted;
      if (failureShown && SUCCEEDED(firstFailure)) firstFailure = hr;
    } else if (FAILED(hr)) {
      if (failureShown && SUCCEEDED(firstFailure)) firstFailure = hr;
    } else if (counted) {
      ++succeeded;
    }
  };
  for (PublisherRecord* record : eligible) {
    client->Step();
    if (aborted || client->IsCancelled()) {
      aborted = true;
      flags |= kRunFlagAborted;
      if (SUCCEEDED(firstFailure)) firstFailure = E_ABORT;
      continue;
    }
    check(*record, true, true);
  }
  if (!aborted && self) {
    const bool newerRequired = !store->RequiredVersion().empty();
    if (selfEligible) {
      client->Step();
      check(*self, true, settings->iniDebug != 0);
    } else if (filtered && newerRequired) {
      check(*self, false, settings->iniDebug != 0);
    }
  }

  if (settings->hangUp) HangUpAfterRun(*settings);
  if (options & (kRunScheduled | kRunLogged)) {
    settings->lastCheckResult = succeeded == eligibleCount && eligibleCount > 0 ? 2 : succeeded > 0 ? 1 : 0;
    settings->lastCheck = FileTimeNow();
    SaveLastCheck(*settings);
  }

  if (eligibleCount > 0 && succeeded == 0) {
    // Every publisher failed: the user keeps the last good data.
    for (PublisherRecord& r : store->Records()) {
      if (filtered ? !MatchesFilter(r, filter) : !r.IsEnabled()) continue;
      ForgetDataText(r);
      PublisherData& data = ModelOf(r);
      if (FAILED(LoadDataFile(r))) {
        data.ClearCollections();
        continue;
      }
      if (SUCCEEDED(LoadPublisherData(r.dataText.c_str(), &data, store, nullptr, nullptr, 0, Environment())))
        AfterLoad(r, data);
    }
  }

  const HRESULT saved = store->SaveCheckState(nullptr);
  if (FAILED(saved)) {
    ShowSaveError(client, saved);
    flags |= kRunFlagError;
  }

  HRESULT result;
  if (eligibleCount == 0) result = kCheckNothingEligible;
  else if (succeeded == 0) result = FAILED(firstFailure) ? firstFailure : E_FAIL;
  else if (succeeded == eligibleCount) result = kCheckAllSucceeded;
  else result = kCheckPartial;
  if (FAILED(result)) flags |= kRunFlagError;
  if (result == kCheckPartial) flags |= kRunFlagPartial;
  client->End(flags);
  if (runFlagsOut) *runFlagsOut = flags;
  return result;
}

}  // namespace wendrix

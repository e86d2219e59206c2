#include "wallet/wallet_store.h"

#include <windows.h>

#include <new>

#include "core/string_util.h"
#include "core/text_encoding.h"
#include "frame/module_state.h"
#include "platform/file_facts.h"
#include "platform/ini_file.h"
#include "platform/named_mutex.h"
#include "platform/path_containment.h"
#include "platform/shell_open.h"
#include "platform/unique_handle.h"
#include "publisher/windows_environment.h"
#include "registration/store_folders.h"
#include "wallet/entry_naming.h"
#include "wallet/wallet_file.h"

namespace wendrix {
namespace {

// A path built for an entry stays below this many characters.
constexpr std::size_t kEntryPathLimit = 258;
constexpr unsigned kMaxIdSuffix = 999;

// The folder an entry's files are in, ending in a backslash.
HRESULT EntryFolder(const WalletEntry& entry, std::wstring& folder) {
  if (!entry.destinationFolder.empty()) {
    folder = entry.destinationFolder;
    if (folder.back() != L'\\' && folder.back() != L'/') folder += L'\\';
    return S_OK;
  }
  RETURN_IF_FAILED(WalletEntryPath(entry.Id(), {}, folder));
  folder += L'\\';
  return S_OK;
}

bool FolderExists(const std::wstring& path) noexcept {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

HRESULT ReadWalletFile(const std::wstring& path, std::wstring& text) {
  constexpr HRESULT kSharingViolation = HResultFromWin32(ERROR_SHARING_VIOLATION);
  std::string bytes;
  HRESULT hr = S_OK;
  for (int attempt = 0; attempt < kWalletLoadAttempts; ++attempt) {
    if (attempt > 0) Sleep(kWalletLoadRetryMs);
    hr = ReadFileBytes(path.c_str(), kWalletFileLimit, bytes);
    if (hr != kSharingViolation) break;
  }
  // A missing entry folder is a missing file to the caller.
  if (hr == HResultFromWin32(ERROR_PATH_NOT_FOUND)) return HResultFromWin32(ERROR_FILE_NOT_FOUND);
  RETURN_IF_FAILED(hr);
  text = DecodeTextFile(bytes, SystemCodePage(kThreadAnsiCodePage));
  return S_OK;
}

HRESULT LoadFrom(const std::wstring& path, std::wstring_view givenId, WalletEntry& entry) {
  try {
    std::wstring text;
    RETURN_IF_FAILED(ReadWalletFile(path, text));
    const WindowsPublisherEnvironment env(Module().version);
    return ReadWalletText(text, givenId, entry, env);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

}  // namespace

HRESULT WalletEntryPath(std::wstring_view id, std::wstring_view fileName, std::wstring& path) {
  if (!IsPlainFileName(id) || (!fileName.empty() && !IsPlainFileName(fileName))) return kPathNotInsideFolder;
  std::wstring result;
  RETURN_IF_FAILED(WalletFolder(result));
  result += id;
  if (!fileName.empty()) result.append(L"\\").append(fileName);
  if (result.size() >= kEntryPathLimit) return kBufferTooSmall;
  path = std::move(result);
  return S_OK;
}

HRESULT CreateWalletEntryFolder(const PublisherData& data, const Item& item, const Action& action, std::wstring& id) {
  std::wstring folder;
  RETURN_IF_FAILED(CreateWalletFolder(folder));
  const std::size_t room = folder.size() < 255 ? 255 - folder.size() : 0;
  std::wstring base;
  RETURN_IF_FAILED(EntryIdBase(data.publisher.name, item.title, VersionTextOf(data, item, action), room, base));

  NamedMutexLock lock;
  RETURN_IF_FAILED(lock.Acquire(kNewWalletDownloadMutex, MutexUsers::kThisUser));
  for (unsigned attempt = 0; attempt <= kMaxIdSuffix; ++attempt) {
    const std::wstring candidate = EntryIdCandidate(base, attempt);
    std::wstring path;
    RETURN_IF_FAILED(WalletEntryPath(candidate, {}, path));
    if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) continue;
    RETURN_LAST_ERROR_IF(!CreateDirectoryW(path.c_str(), nullptr));
    id = candidate;
    return S_OK;
  }
  return E_FAIL;
}

HRESULT LoadWalletEntry(std::wstring_view id, WalletEntry& entry) {
  std::wstring path;
  RETURN_IF_FAILED(WalletEntryPath(id, kWalletFileName, path));
  RETURN_IF_FAILED(LoadFrom(path, id, entry));
  // The folder is the entry: a file naming another ID must not make this
  // entry's operations reach that one's folder.
  entry.wallet.id.assign(id);
  return S_OK;
}

HRESULT LoadWalletEntryFile(const std::wstring& path, WalletEntry& entry) {
  const std::size_t slash = path.find_last_of(L"\\/");
  if (slash == std::wstring::npos) return E_INVALIDARG;
  RETURN_IF_FAILED(LoadFrom(path, {}, entry));
  entry.destinationFolder = path.substr(0, slash);
  return S_OK;
}

HRESULT SaveWalletEntry(const WalletEntry& entry) {
  std::wstring folder;
  RETURN_IF_FAILED(EntryFolder(entry, folder));
  std::string bytes;
  RETURN_IF_FAILED(WriteWalletFile(entry, bytes));
  return WriteWholeFile((folder + kWalletFileName).c_str(), bytes);
}

HRESULT WalletEntryFilePath(const WalletEntry& entry, std::uint32_t index, bool temporaryForm, std::wstring& path) {
  const std::optional<std::wstring> name = EntryFileName(entry, index);
  if (!name) return kPathNotInsideFolder;
  std::wstring result;
  RETURN_IF_FAILED(EntryFolder(entry, result));
  result += *name;
  if (temporaryForm) result += kTemporarySuffix;
  if (result.size() >= kEntryPathLimit) return kBufferTooSmall;
  path = std::move(result);
  return S_OK;
}

std::uint64_t WalletEntrySizeOnDisk(const WalletEntry& entry, bool temporaryForm) {
  std::uint64_t total = 0;
  const std::uint32_t count = EntryFileCount(entry);
  for (std::uint32_t i = 0; i < count; ++i) {
    std::wstring path;
    if (SUCCEEDED(WalletEntryFilePath(entry, i, temporaryForm, path))) total += FileSizeOrZero(path);
  }
  return total;
}

std::uint64_t WalletEntryReportedSize(const WalletEntry& entry) {
  if (entry.Status() == kWalletDownloading) return entry.transferred;
  return WalletEntrySizeOnDisk(entry, UsesTemporaryForm(entry.Status()));
}

void DeleteWalletEntry(const WalletEntry& entry) noexcept {
  try {
    std::wstring folder;
    if (FAILED(EntryFolder(entry, folder))) return;
    const std::uint32_t count = EntryFileCount(entry);
    for (std::uint32_t i = 0; i < count; ++i) {
      for (const bool temporaryForm : {true, false}) {
        std::wstring path;
        if (SUCCEEDED(WalletEntryFilePath(entry, i, temporaryForm, path))) DeleteFileW(path.c_str());
      }
    }
    DeleteFileW((folder + kWalletFileName).c_str());
    // An entry loaded from a file elsewhere does not own that folder.
    if (entry.destinationFolder.empty()) RemoveDirectoryW(folder.c_str());
  } catch (const std::bad_alloc&) {
  }
}

HRESULT OpenWalletEntryFolder(const WalletEntry& entry) {
  std::wstring folder;
  RETURN_IF_FAILED(EntryFolder(entry, folder));
  return OpenWithShell(folder);
}

bool WalletHoldsDownload(const PublisherData& data, const Item& item) {
  CWallet wallet;
  if (FAILED(wallet.LoadAll())) return false;
  for (const WalletEntry& entry : wallet.Entries()) {
    const std::uint32_t status = EffectiveStatus(entry);
    if (status < kWalletDownloaded || status > kWalletInstalled) continue;
    const Action* held = entry.EntryAction();
    bool ofItem = false;
    for (const std::wstring& actionId : item.actionIds) {
      const Action* action = data.FindAction(actionId);
      if (!action || !held || !CStringUtil::EqualsNoCase(action->id, held->id)) continue;
      const EntryRequest request{data.publisher.id, item.id, std::nullopt, action->architecture, -1};
      if (AnswersRequest(entry, request) && CStringUtil::EqualsNoCase(held->version, action->version)) ofItem = true;
    }
    if (!ofItem) continue;
    bool allFiles = true;
    for (std::uint32_t i = 0; i < EntryFileCount(entry) && allFiles; ++i) {
      std::wstring path;
      allFiles = SUCCEEDED(WalletEntryFilePath(entry, i, false, path)) && SomethingAt(path);
    }
    if (allFiles) return true;
  }
  return false;
}

HRESULT CWallet::LoadAll() {
  m_entries.clear();
  std::wstring folder;
  RETURN_IF_FAILED(WalletFolder(folder));
  WIN32_FIND_DATAW found;
  UniqueFind find(FindFirstFileW((folder + L"*").c_str(), &found));
  if (!find) return S_OK;  // no wallet yet
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
    const std::wstring_view name(found.cFileName);
    if (name == L"." || name == L"..") continue;
    WalletEntry entry;
    if (FAILED(LoadWalletEntry(name, entry))) continue;
    try {
      m_entries.push_back(std::move(entry));
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    }
  } while (FindNextFileW(find.Get(), &found));
  return S_OK;
}

WalletEntry* CWallet::Find(const EntryRequest& request) {
  for (auto it = m_entries.begin(); it != m_entries.end();) {
    if (!AnswersRequest(*it, request)) {
      ++it;
      continue;
    }
    std::wstring folder;
    if (SUCCEEDED(EntryFolder(*it, folder)) && FolderExists(folder)) return &*it;
    it = m_entries.erase(it);
  }
  return nullptr;
}

HRESULT CWallet::Prune(std::uint64_t limit, std::span<const std::wstring> spared) {
  if (m_entries.empty()) RETURN_IF_FAILED(LoadAll());
  std::uint64_t total = 0;
  for (const WalletEntry& e : m_entries) total += e.wallet.bytes;
  while (total > limit) {
    const std::optional<std::size_t> victim = NextToPrune(m_entries, spared);
    if (!victim) break;
    const WalletEntry& entry = m_entries[*victim];
    total -= entry.wallet.bytes < total ? entry.wallet.bytes : total;
    DeleteWalletEntry(entry);
    m_entries.erase(m_entries.begin() + static_cast<std::ptrdiff_t>(*victim));
  }
  return S_OK;
}

}  // namespace wendrix

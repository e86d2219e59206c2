#include "platform/folder_listing.h"

#include <algorithm>
#include <new>
#include <optional>
#include <string_view>
#include <unordered_set>
#include <utility>

#include "platform/file_facts.h"
#include "platform/unique_handle.h"

namespace wendrix {

class FolderListing {
 public:
  explicit FolderListing(std::wstring folder) : m_folder(std::move(folder)) {}
  const std::wstring& Folder() const noexcept { return m_folder; }

  bool Missing(std::wstring_view name) {
    // Only plain names: the system drops a name's trailing dots and spaces.
    if (std::any_of(name.begin(), name.end(), [](wchar_t c) { return c >= 0x80; }) || name.back() == L'.' ||
        name.back() == L' ')
      return false;
    std::wstring key;
    if (!Fold(name, key)) return false;
    if (!m_names) Read();
    if (!m_stamp.IsKnown() || m_names->count(key) != 0) return false;
    FileStamp now;
    return StampOf(m_folder, now) && now == m_stamp;
  }

 private:
  // The name in upper case, when every letter is ASCII there: the names
  // asked about are compared so, and a listed letter whose upper case is
  // ASCII (a dotless i) is taken as that letter, so that whatever it may
  // answer to counts as there. Other names answer to no ASCII name.
  static bool Fold(std::wstring_view name, std::wstring& key) {
    key.assign(name);
    for (wchar_t& c : key) {
      if (c >= 0x80)
        c = static_cast<wchar_t>(reinterpret_cast<ULONG_PTR>(CharUpperW(reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(c)))));
      if (c >= 0x80) return false;
      if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
    }
    return !key.empty();
  }

  // The stamp is taken first: a name made while the names are read changes
  // the folder from it. Read once; a folder that cannot be read, or whose
  // stamp is not known, leaves every question to the file system.
  void Read() {
    m_names.emplace();
    if (!StampOf(m_folder, m_stamp) || !m_stamp.IsKnown()) return;
    WIN32_FIND_DATAW found;
    UniqueFind find(FindFirstFileExW((m_folder + L"\\*").c_str(), FindExInfoStandard, &found, FindExSearchNameMatch,
                                     nullptr, FIND_FIRST_EX_LARGE_FETCH));
    if (!find) {
      m_stamp = {};
      return;
    }
    // A folder anyone filled beyond any store's size is not worth the memory.
    constexpr std::size_t kMaxNames = 100'000;
    std::wstring key;
    bool complete = false;
    while (m_names->size() <= kMaxNames) {
      // Both names a file answers to: its own and its short one.
      if (Fold(found.cFileName, key)) m_names->insert(key);
      if (Fold(found.cAlternateFileName, key)) m_names->insert(key);
      if (!FindNextFileW(find.Get(), &found)) {
        complete = GetLastError() == ERROR_NO_MORE_FILES;
        break;
      }
    }
    if (!complete) m_stamp = {};
  }

  std::wstring m_folder;
  FileStamp m_stamp;
  std::optional<std::unordered_set<std::wstring>> m_names;
};

namespace {

thread_local FolderListing* t_listing = nullptr;

}  // namespace

FolderListingScope::FolderListingScope(std::wstring folder) noexcept : m_enclosing(t_listing) {
  while (!folder.empty() && (folder.back() == L'\\' || folder.back() == L'/')) folder.pop_back();
  if (t_listing && CompareStringOrdinal(t_listing->Folder().c_str(), -1, folder.c_str(), -1, TRUE) == CSTR_EQUAL)
    return;
  try {
    m_owned = std::make_unique<FolderListing>(std::move(folder));
    t_listing = m_owned.get();
  } catch (const std::bad_alloc&) {
    // No listing: every look goes to the file system.
  }
}

FolderListingScope::~FolderListingScope() { t_listing = m_enclosing; }

bool ListedAsMissing(const std::wstring& path) noexcept {
  FolderListing* listing = t_listing;
  if (!listing) return false;
  const std::wstring& folder = listing->Folder();
  if (path.size() <= folder.size() + 1 || path[folder.size()] != L'\\' ||
      CompareStringOrdinal(path.c_str(), static_cast<int>(folder.size()), folder.c_str(), -1, TRUE) != CSTR_EQUAL)
    return false;
  const std::wstring_view name = std::wstring_view(path).substr(folder.size() + 1);
  if (name.find_first_of(L"\\/:") != std::wstring_view::npos) return false;
  try {
    return listing->Missing(name);
  } catch (const std::bad_alloc&) {
    return false;
  }
}

}  // namespace wendrix

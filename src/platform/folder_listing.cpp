#include "platform/folder_listing.h"

#include <algorithm>
#include <new>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

#include "platform/file_facts.h"
#include "platform/path_containment.h"
#include "platform/unique_handle.h"

namespace wendrix {

class FolderListing final : public MissingFileWitness {
 public:
  explicit FolderListing(std::wstring folder) : m_folder(std::move(folder)) {}
  const std::wstring& Folder() const noexcept { return m_folder; }

  bool Missing(const std::wstring& path) noexcept override {
    // Spelled as the folder was: another spelling is left to the file system.
    if (path.size() <= m_folder.size() + 1 || path[m_folder.size()] != L'\\' ||
        path.compare(0, m_folder.size(), m_folder) != 0)
      return false;
    try {
      return NameMissing(std::wstring_view(path).substr(m_folder.size() + 1));
    } catch (const std::bad_alloc&) {
      return false;
    }
  }

 private:
  bool NameMissing(std::wstring_view name) {
    if (!IsAsciiName(name)) return false;
    if (!m_tried) {
      m_tried = true;
      Read();
    }
    if (!m_stamp.IsKnown()) return false;
    const std::wstring key = Folded(name);
    if (m_names.count(key) != 0 || std::any_of(m_unsure.begin(), m_unsure.end(), [&](const std::wstring& pattern) {
          return Fits(key, pattern);
        }))
      return false;
    FileStamp now;
    if (StampOf(m_folder, now) && now == m_stamp) return true;
    // Changed: the names read no longer tell anything, and no more looks
    // at the folder are spent on them.
    m_stamp = {};
    return false;
  }

  // A plain name of ASCII letters: the file system compares those in one
  // way everywhere. Anything else (and a name it would change or refuse:
  // wildcards, trailing dots, devices) is left to it.
  static bool IsAsciiName(std::wstring_view name) noexcept {
    return name.size() <= MAX_PATH - 1 && IsPlainFileName(name) &&
           std::none_of(name.begin(), name.end(), [](wchar_t c) { return c >= 0x80; });
  }

  static wchar_t Upper(wchar_t c) noexcept { return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c; }

  // ASCII letters in upper case; any other character stays as it is.
  static std::wstring Folded(std::wstring_view name) {
    std::wstring key(name);
    for (wchar_t& c : key) c = Upper(c);
    return key;
  }

  // A listed name with other characters than ASCII may answer to an ASCII
  // name by the volume's own case table: its other characters match any.
  static bool Fits(const std::wstring& key, const std::wstring& pattern) noexcept {
    if (key.size() != pattern.size()) return false;
    for (std::size_t i = 0; i < key.size(); ++i)
      if (pattern[i] < 0x80 && pattern[i] != key[i]) return false;
    return true;
  }

  // The stamp is taken first: a name made while the names are read changes
  // the folder from it. The listing is kept only whole; a folder that
  // cannot be read, whose stamp is not known or whose write time does not
  // follow its names leaves every question to the file system.
  void Read() {
    FileStamp stamp;
    if (!FolderTimeFollowsNames(m_folder) || !StampOf(m_folder, stamp) || !stamp.IsKnown()) return;
    WIN32_FIND_DATAW found;
    // The standard level, not the basic one: it has the short names too.
    UniqueFind find(FindFirstFileExW((m_folder + L"\\*").c_str(), FindExInfoStandard, &found, FindExSearchNameMatch,
                                     nullptr, FIND_FIRST_EX_LARGE_FETCH));
    if (!find) return;
    // A folder anyone filled beyond any store's size is not worth the memory.
    constexpr std::size_t kMaxNames = 100'000;
    std::unordered_set<std::wstring> names;
    std::vector<std::wstring> unsure;
    for (std::size_t count = 0;; ++count) {
      if (count > kMaxNames) return;
      // Both names a file answers to: its own and its short one.
      for (const wchar_t* listed : {found.cFileName, found.cAlternateFileName}) {
        if (!*listed) continue;
        std::wstring key = Folded(listed);
        if (std::all_of(key.begin(), key.end(), [](wchar_t c) { return c < 0x80; })) names.insert(std::move(key));
        else unsure.push_back(std::move(key));
      }
      if (!FindNextFileW(find.Get(), &found)) break;
    }
    if (GetLastError() != ERROR_NO_MORE_FILES) return;
    m_names = std::move(names);
    m_unsure = std::move(unsure);
    m_stamp = stamp;
  }

  std::wstring m_folder;
  bool m_tried = false;
  FileStamp m_stamp;  // known while the names below tell
  std::unordered_set<std::wstring> m_names;
  std::vector<std::wstring> m_unsure;  // names with characters beyond ASCII
};

namespace {

thread_local FolderListing* t_listing = nullptr;

}  // namespace

FolderListingScope::FolderListingScope(std::wstring folder) noexcept : m_enclosing(t_listing) {
  while (!folder.empty() && (folder.back() == L'\\' || folder.back() == L'/')) folder.pop_back();
  // Not a drive's root: "C:" alone names the drive's current folder.
  if (folder.empty() || folder.back() == L':') return;
  if (t_listing && t_listing->Folder() == folder) return;
  try {
    m_owned = std::make_unique<FolderListing>(std::move(folder));
    t_listing = m_owned.get();
    m_heard.emplace(*m_owned);
  } catch (const std::bad_alloc&) {
    // No listing: every look goes to the file system.
  }
}

FolderListingScope::~FolderListingScope() {
  m_heard.reset();
  t_listing = m_enclosing;
}

}  // namespace wendrix

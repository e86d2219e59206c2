#include "api/store_snapshot.h"

#include <algorithm>
#include <mutex>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "platform/file_facts.h"
#include "platform/known_folders.h"
#include "platform/missing_files.h"
#include "platform/registry_watch.h"
#include "platform/unique_handle.h"
#include "registration/side_files.h"
#include "update/check_engine.h"

namespace wendrix {

class StoreSnapshot final : public MissingFileWitness {
 public:
  // Reads the store again. The shell's folders and the registry watches
  // stay while nothing they watch has changed (most changes are to files);
  // the watches are set and the files looked at before the store is read,
  // so that a change after them is seen by the next Current and one before
  // them by this read.
  HRESULT Open() {
    m_keepable = false;
    m_files.clear();
    m_missing.clear();
    m_followers.clear();
    m_noted.clear();
    m_store = CPublisherStore();
    const bool rewatch = !m_watching || !folders.Current() || m_keys.Changed();
    if (rewatch) {
      folders = KnownFolderAnswers();
      m_keys = RegistryWatch();
      m_watching = folders.Watch();
    }
    const KnownFolderScope scope(folders);
    std::vector<StoreSourceFile> files;
    std::vector<StoreSourceKey> keys;
    const bool listed = SUCCEEDED(ListStoreSources(files, keys));
    if (rewatch && m_watching) m_watching = listed && WatchKeys(keys);
    if (m_watching && listed) NoteFiles(files);
    RETURN_IF_FAILED(m_store.Open(true, nullptr));
    m_keepable = m_watching && listed;
    return S_OK;
  }

  bool Current() const {
    if (!m_keepable || !folders.Current() || m_keys.Changed()) return false;
    for (const Noted& noted : m_files)
      if (!noted.look.Unchanged(LookAt(noted.path))) return false;
    return true;
  }

  CPublisherStore& Store() noexcept { return m_store; }

  // The publisher's stored texts are read once while the store is kept
  // (noted first), but its data is loaded again for every query: a load
  // asks the machine too (installed versions, conditions), and that answer
  // may change at any time.
  HRESULT LoadStored(const PublisherRecord& record) {
    if (std::find(m_noted.begin(), m_noted.end(), record.id) == m_noted.end()) {
      for (const PublisherRecord& r : m_store.Records()) {
        if (!LoadsWithFilter(r, record.id.c_str())) continue;
        for (SideFile kind : {SideFile::kData, SideFile::kPreviousItems, SideFile::kInactiveItems}) {
          std::wstring path;
          const bool there = SUCCEEDED(SideFilePath(r, kind, path)) && Note(path);
          // Without its data file a publisher's other files are not read
          // (and most are missing, each a scan of the folder to tell): the
          // data file's own look tells when it comes.
          if (kind == SideFile::kData && !there) break;
        }
      }
      m_noted.push_back(record.id);
    }
    return LoadStoredData(m_store, record.id.c_str());
  }

  // A file seen missing is missing still while its folder keeps the look
  // it had before the file was looked for (Note): a look at the folder
  // instead of a scan of it for the name. The load of a query asks for the
  // inactive items, which most publishers do not have.
  bool Missing(const std::wstring& path) noexcept override {
    for (const Missed& missed : m_missing) {
      if (missed.path != path) continue;
      const Noted& folder = m_files[missed.folder];
      return folder.look.Unchanged(LookAt(folder.path));
    }
    return false;
  }

  KnownFolderAnswers folders;

 private:
  // A file as it looked: missing, or present with its stamp.
  struct Look {
    bool missing = false;
    FileStamp stamp;
    // Told for sure only when missing or stamped (an unknown stamp matches
    // nothing).
    bool Unchanged(const Look& now) const noexcept {
      return missing ? now.missing : !now.missing && stamp.IsKnown() && stamp == now.stamp;
    }
  };
  struct Noted {
    std::wstring path;
    Look look;
  };
  // A file seen missing, and its folder's place in m_files.
  struct Missed {
    std::wstring path;
    std::size_t folder;
  };
  static Look LookAt(const std::wstring& path) noexcept {
    Look look;
    if (!StampOf(path, look.stamp)) {
      const DWORD error = GetLastError();
      look.missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    }
    return look;
  }

  bool WatchKeys(const std::vector<StoreSourceKey>& keys) {
    for (const StoreSourceKey& key : keys)
      if (!m_keys.Add(key.root, key.path, key.view)) return false;
    return true;
  }

  // A file whose folder is missing is not looked at: the folder's look
  // tells when it comes.
  void NoteFiles(const std::vector<StoreSourceFile>& files) {
    std::vector<bool> present(files.size(), false);
    for (std::size_t i = 0; i < files.size(); ++i) {
      const std::size_t with = files[i].onlyWith;
      if (with == StoreSourceFile::kAlways || present[with]) present[i] = Note(files[i].path);
    }
  }

  // False when `path` was missing. A missing file is watched through its
  // folder when the folder has a stamp and its write time follows its names
  // (FolderTimeFollowsNames). Looking for a missing name costs far more
  // than looking at a folder (under Wine a scan of the folder for the name
  // in any case), and most side files are missing. The folder is looked at
  // first, so that a file made after the file's look changes the folder's
  // stamp from the one kept.
  bool Note(const std::wstring& path) {
    if (const Noted* noted = Find(path)) return !noted->look.missing;
    // Not a drive's root: "C:" alone names the drive's current folder.
    const std::size_t slash = path.find_last_of(L"\\/");
    const bool inFolder = slash != std::wstring::npos && slash > 0 && path[slash - 1] != L':';
    const std::wstring folder = inFolder ? path.substr(0, slash) : std::wstring();
    const Look folderLook = !folder.empty() && FollowsNames(folder) ? LookAt(folder) : Look{};
    const Look look = LookAt(path);
    if (look.missing && !folderLook.missing && folderLook.stamp.IsKnown()) {
      const auto noted = std::find_if(m_files.begin(), m_files.end(), [&](const Noted& n) { return n.path == folder; });
      const std::size_t at = static_cast<std::size_t>(noted - m_files.begin());
      if (noted == m_files.end()) m_files.push_back(Noted{folder, folderLook});
      m_missing.push_back(Missed{path, at});
      return false;
    }
    m_files.push_back(Noted{path, look});
    return !look.missing;
  }

  bool FollowsNames(const std::wstring& folder) {
    for (const auto& [known, follows] : m_followers)
      if (known == folder) return follows;
    m_followers.emplace_back(folder, FolderTimeFollowsNames(folder));
    return m_followers.back().second;
  }

  // The noted look at `path`: the file's own, or its folder's for a file
  // seen missing (as missing).
  const Noted* Find(const std::wstring& path) const {
    static const Noted kMissing{std::wstring(), Look{true, FileStamp{}}};
    for (const Noted& noted : m_files)
      if (noted.path == path) return &noted;
    for (const Missed& missed : m_missing)
      if (missed.path == path) return &kMissing;
    return nullptr;
  }

  bool m_watching = false;  // folders and m_keys are set
  bool m_keepable = false;
  RegistryWatch m_keys;
  std::vector<Noted> m_files;
  std::vector<Missed> m_missing;  // files seen missing, watched through their folder's look in m_files
  std::vector<std::pair<std::wstring, bool>> m_followers;  // folders asked FolderTimeFollowsNames, and the answer
  std::vector<std::wstring> m_noted;  // publishers whose side files are in m_files
  CPublisherStore m_store;
};

CPublisherStore& StoreQuery::Store() noexcept { return m_snapshot.Store(); }

HRESULT StoreQuery::LoadStored(const PublisherRecord& record) { return m_snapshot.LoadStored(record); }

namespace {

std::mutex g_queryTurn;
// Guarded by g_queryTurn. Not a static object: at process exit other
// threads may have ended inside a query, and nothing may be torn down then.
StoreSnapshot* g_kept = nullptr;

// A thread that impersonates a user asks for that user's store (the shell
// answers for the thread's user), which the kept store, the process user's,
// need not be.
bool Impersonating() noexcept {
  UniqueKernelObject token;
  return OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, token.Put());
}

// The query on an opened snapshot, with its folders' answers and what it
// knows of missing files.
HRESULT QueryOn(StoreSnapshot& snapshot, const std::function<HRESULT(StoreQuery&)>& query) {
  const KnownFolderScope folders(snapshot.folders);
  const MissingFileWitnessScope missing(snapshot);
  StoreQuery view(snapshot);
  return query(view);
}

}  // namespace

HRESULT RunStoreQuery(const std::function<HRESULT(StoreQuery&)>& query) {
  try {
    if (Impersonating()) {
      // Read for this call only; the kept store stays as it was.
      StoreSnapshot once;
      RETURN_IF_FAILED(once.Open());
      return QueryOn(once, query);
    }
    const std::lock_guard<std::mutex> turn(g_queryTurn);
    try {
      if (!g_kept) g_kept = new StoreSnapshot();
      if (!g_kept->Current()) RETURN_IF_FAILED(g_kept->Open());
      return QueryOn(*g_kept, query);
    } catch (...) {
      // Whatever was half made is not kept.
      delete std::exchange(g_kept, nullptr);
      throw;
    }
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

void ReleaseKeptStore() noexcept { delete std::exchange(g_kept, nullptr); }

}  // namespace wendrix

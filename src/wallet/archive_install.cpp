#include "wallet/archive_install.h"

#include <objbase.h>

#include <algorithm>
#include <atomic>
#include <set>

#include "archive/zip_archive.h"
#include "core/string_util.h"
#include "frame/messages.h"
#include "platform/file_facts.h"
#include "platform/folder_tree.h"
#include "platform/path_containment.h"
#include "publisher/vocabulary.h"
#include "resources/string_ids.h"
#include "setup/file_in_use.h"
#include "setup/journal.h"
#include "wallet/archive_password.h"
#include "wallet/archive_progress.h"
#include "wallet/archive_replace.h"
#include "wallet/entry_confirmation.h"

namespace wendrix {
namespace {

constexpr HRESULT kCancelledCode = HResultFromWin32(ERROR_CANCELLED);
constexpr HRESULT kAccessDenied = HResultFromWin32(ERROR_ACCESS_DENIED);

struct NoCaseLess {
  bool operator()(const std::wstring& a, const std::wstring& b) const noexcept {
    return CStringUtil::CompareNoCase(a, b) < 0;
  }
};

// The title of every question: "<item title> Setup", or the product's name.
std::wstring QuestionTitle(const std::wstring& itemTitle) {
  return itemTitle.empty() ? MessageString(kStrAppNameTitle) : itemTitle + L" Setup";
}

// A folder the user reads, and the ZIP library takes: a drive alone ("D:")
// stands for its root.
std::wstring FolderOf(const std::wstring& target) {
  return target.size() == 2 && target[1] == L':' ? target + L'\\' : target;
}

// Asks whether files from these hosts may go to these folders. Without the
// texts to ask with, the answer is no.
bool UserConfirms(const ArchiveInstallation& installation) {
  std::set<std::wstring, NoCaseLess> hosts, folders;
  for (const ArchiveToInstall& archive : installation.archives) {
    hosts.insert(archive.host);
    folders.insert(FolderOf(archive.target));
  }
  std::wstring hostText, folderText;
  // The message's own line breaks come out as CR LF; the lists match them.
  for (const std::wstring& host : hosts) hostText += host + (hosts.size() > 1 ? L"\r\n" : L"");
  for (const std::wstring& folder : folders) folderText += (folderText.empty() ? L"" : L"\r\n") + folder;
  const bool one = hosts.size() == 1 && folders.size() == 1;
  const DWORD_PTR inserts[] = {reinterpret_cast<DWORD_PTR>(hostText.c_str()),
                               reinterpret_cast<DWORD_PTR>(folderText.c_str())};
  const LocalText text(FormatMessageText(one ? kStrCopyFilesToFolder : kStrCopyFilesToFolders, nullptr, inserts));
  if (!text) return false;
  return MessageBoxW(installation.parent, text.get(), QuestionTitle(installation.itemTitle).c_str(),
                     MB_OKCANCEL | MB_ICONQUESTION | MB_SETFOREGROUND) == IDOK;
}

class ComApartment {
 public:
  ComApartment() noexcept : m_initialized(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  ~ComApartment() {
    if (m_initialized) CoUninitialize();
  }

 private:
  bool m_initialized;
};

// One installation: its journal, progress window and what the passes learn.
class CArchiveInstaller {
 public:
  explicit CArchiveInstaller(const ArchiveInstallation& installation) noexcept
      : m_installation(installation), m_silent((installation.walletFlags & kWalletSilent) != 0) {}

  HRESULT Run();
  bool RestartNeeded() const noexcept { return m_replacer && m_replacer->RestartNeeded(); }

 private:
  HRESULT ListMembers();
  HRESULT NoteWhatWillChange();
  HRESULT NoteFoldersDownTo(const std::wstring& path);
  HRESULT Extract();
  void ShowFailure(HRESULT result);
  bool Cancelled() const noexcept { return m_progress.Cancelled(); }
  void SetText(const wchar_t* text) {
    if (!m_silent) m_progress.SetText(text);
  }

  const ArchiveInstallation& m_installation;
  const bool m_silent;
  CJournal m_journal;
  CArchiveProgress m_progress;
  std::unique_ptr<CArchiveReplacer> m_replacer;
  std::vector<std::wstring> m_paths;                  // what the archives create; folders end in "\"
  std::set<std::wstring, NoCaseLess> m_knownFolders;  // noted, or there before
  std::uint32_t m_fileCount = 0;
};

HRESULT CArchiveInstaller::Run() {
  RETURN_IF_FAILED(m_journal.Create());
  if (!m_silent) m_progress.Show(m_installation.parent, QuestionTitle(m_installation.itemTitle));
  m_replacer = std::make_unique<CArchiveReplacer>(m_journal, m_installation.parent, m_silent ? nullptr : &m_progress);

  HRESULT result = ListMembers();
  if (SUCCEEDED(result)) result = NoteWhatWillChange();
  if (SUCCEEDED(result)) result = Extract();
  if (FAILED(result)) {
    SetText(L"Rolling back...");
    m_journal.Rollback();
    m_progress.Close();
    ShowFailure(result);
    return result;
  }
  SetText(L"Deleting temporary files...");
  m_journal.Commit();
  m_progress.Close();
  return S_OK;
}

// Pass 1: every path the archives will create, each checked to stay in its
// target folder.
HRESULT CArchiveInstaller::ListMembers() {
  for (const ArchiveToInstall& archive : m_installation.archives) {
    if (Cancelled()) return E_ABORT;
    std::vector<ZipMember> members;
    RETURN_IF_FAILED(ListZipMembers(archive.file, FolderOf(archive.target), members));
    std::wstring folder = FolderOf(archive.target);
    if (folder.back() != L'\\') folder += L'\\';
    for (const ZipMember& member : members) {
      std::wstring path = folder + member.name;
      std::replace(path.begin(), path.end(), L'/', L'\\');
      if (path.back() != L'\\') ++m_fileCount;
      m_paths.push_back(std::move(path));
    }
  }
  return S_OK;
}

// Notes each folder above `path` that is not there yet, highest first, once.
HRESULT CArchiveInstaller::NoteFoldersDownTo(const std::wstring& path) {
  for (std::size_t slash = path.find(L'\\'); slash != std::wstring::npos; slash = path.find(L'\\', slash + 1)) {
    const std::wstring folder = path.substr(0, slash);
    if (folder.empty() || folder.back() == L':' || folder.back() == L'\\') continue;  // a drive, a UNC prefix
    if (!m_knownFolders.insert(folder).second) continue;
    if (!SomethingAt(folder)) RETURN_IF_FAILED(m_journal.NoteFolderToCreate(folder));
  }
  return S_OK;
}

// Before anything is written, the journal learns what each path will
// change: folders to create, files to create or replace.
HRESULT CArchiveInstaller::NoteWhatWillChange() {
  SetText(L"Preparing for file copy...");
  for (std::wstring path : m_paths) {
    if (Cancelled()) return E_ABORT;
    const bool folder = path.back() == L'\\';
    if (folder) path.pop_back();
    RETURN_IF_FAILED(NoteFoldersDownTo(path));
    if (folder) {
      if (m_knownFolders.insert(path).second && !SomethingAt(path)) RETURN_IF_FAILED(m_journal.NoteFolderToCreate(path));
    } else {
      RETURN_IF_FAILED(m_journal.NoteFileToWrite(path));
    }
  }
  return S_OK;
}

// Pass 2: the archives unpacked into their folders.
HRESULT CArchiveInstaller::Extract() {
  SetText(L"");
  std::uint32_t done = 0;
  const std::atomic<bool> never{false};
  ZipExtractCallbacks callbacks;
  callbacks.cancel = m_silent ? &never : &m_progress.CancelFlag();
  callbacks.replace = [this](const std::wstring& existing, std::wstring& newPath) {
    return m_replacer->Decide(existing, newPath);
  };
  callbacks.password = [this](std::wstring_view member, bool, std::wstring& password) {
    if (!m_silent) m_progress.SetVisible(false);
    const bool given = AskArchivePassword(m_installation.parent, member, password);
    if (!m_silent) m_progress.SetVisible(true);
    return given;
  };
  callbacks.memberDone = [this, &done](std::wstring_view path, std::uint64_t) {
    if (Cancelled()) return false;
    if (!m_silent) {
      m_progress.SetCount(++done, m_fileCount);
      m_progress.SetDetail(std::wstring(path));
    }
    return true;
  };
  for (const ArchiveToInstall& archive : m_installation.archives) {
    // The ZIP library makes one missing folder level at most; the journal
    // knows every folder made here.
    RETURN_IF_FAILED(CreateFolderTree(FolderOf(archive.target)));
    RETURN_IF_FAILED(ExtractZip(archive.file, FolderOf(archive.target), callbacks));
  }
  return S_OK;
}

void CArchiveInstaller::ShowFailure(HRESULT result) {
  if (m_silent || result == E_ABORT || result == kCancelledCode) return;
  const std::wstring title = MessageString(kStrUnzipErrorTitle);
  const std::wstring text = result == kAccessDenied ? MessageString(kStrUnzipAccessDenied) : ErrorText(result);
  MessageBoxW(m_installation.parent, text.c_str(), title.c_str(), MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}

}  // namespace

HRESULT InstallArchives(const ArchiveInstallation& installation) {
  if (installation.archives.empty()) return E_INVALIDARG;
  for (const ArchiveToInstall& archive : installation.archives)
    if (archive.file.empty() || !IsLocalDrivePath(FolderOf(archive.target))) return E_INVALIDARG;

  if (!(installation.walletFlags & kWalletSilent)) {
    const bool accepted = UserConfirms(installation);
    if (!installation.entryId.empty()) SignalEntryConfirmation(installation.entryId, accepted);
    if (!accepted) return E_ABORT;
  } else if (!installation.entryId.empty()) {
    SignalEntryConfirmation(installation.entryId, true);
  }

  bool restart = false;
  HRESULT result;
  {
    const ComApartment com;
    CArchiveInstaller installer(installation);
    result = installer.Run();
    // A rolled-back installation took its replacements back as well.
    restart = SUCCEEDED(result) && installer.RestartNeeded();
  }
  if (restart) {
    const std::wstring text = MessageString(kStrRestartRequired);
    if (!text.empty() && MessageBoxW(installation.parent, text.c_str(), MessageString(kStrAppNameTitle).c_str(),
                                     MB_YESNO | MB_ICONQUESTION | MB_SETFOREGROUND) == IDYES)
      RestartSystem();
  }
  return result;
}

}  // namespace wendrix

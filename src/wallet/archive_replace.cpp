#include "wallet/archive_replace.h"

#include <atomic>

#include "frame/messages.h"
#include "platform/file_facts.h"
#include "platform/unique_handle.h"
#include "resources/string_ids.h"
#include "setup/file_in_use.h"
#include "setup/journal.h"
#include "wallet/archive_progress.h"

namespace wendrix {
namespace {

constexpr DWORD kInUseWaitMs = 2000;
constexpr std::size_t kLongestName = MAX_PATH - 1;  // what the ZIP library's name buffer holds

// A program that just started an update may still be closing: the first
// refusal in the life of the process gets one more chance after a pause.
std::atomic<bool> g_inUseWaitDone{false};

bool Gone(DWORD error) noexcept { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

// Deletes `path` after clearing what would stop it; the error, or 0.
DWORD DeleteExisting(const std::wstring& path) noexcept {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN)))
    SetFileAttributesW(path.c_str(), attributes & ~(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
  if (DeleteFileW(path.c_str())) return 0;
  DWORD error = GetLastError();
  if (error == ERROR_ACCESS_DENIED) {
    // Access denied also stands for "a program has it open": opening it
    // alone for writing tells which.
    UniqueFile probe(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!probe) error = GetLastError();
  }
  return error;
}

}  // namespace

ZipReplace CArchiveReplacer::Decide(const std::wstring& path, std::wstring& newPath) {
  for (;;) {
    DWORD error = DeleteExisting(path);
    if (error == 0 || Gone(error)) return ZipReplace::kYes;
    if ((error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION) && !g_inUseWaitDone.exchange(true)) {
      Sleep(kInUseWaitMs);
      error = DeleteExisting(path);
      if (error == 0 || Gone(error)) return ZipReplace::kYes;
    }
    switch (AskAboutApplications(path)) {
      case InUseAnswer::kRetry: continue;
      case InUseAnswer::kAbort: return ZipReplace::kCancel;
      case InUseAnswer::kGoOn: return ReplaceAtNextStart(path, newPath);
    }
  }
}

CArchiveReplacer::InUseAnswer CArchiveReplacer::AskAboutApplications(const std::wstring& path) {
  const std::wstring applications = ApplicationsUsingFile(path);
  if (applications.empty()) return InUseAnswer::kGoOn;
  const DWORD_PTR inserts[] = {reinterpret_cast<DWORD_PTR>(applications.c_str())};
  const LocalText text(FormatMessageText(kStrFilesInUse, nullptr, inserts));
  if (!text) return InUseAnswer::kGoOn;
  if (m_progress) m_progress->SetVisible(false);
  const int answer = MessageBoxW(m_owner, text.get(), MessageString(kStrAppNameTitle).c_str(),
                                 MB_ABORTRETRYIGNORE | MB_ICONWARNING | MB_TOPMOST | MB_SETFOREGROUND);
  if (m_progress) m_progress->SetVisible(true);
  return answer == IDRETRY ? InUseAnswer::kRetry : answer == IDABORT ? InUseAnswer::kAbort : InUseAnswer::kGoOn;
}

// The member goes to a free name beside the file, which the system moves
// over the file at its next start. When that cannot be arranged, the
// member is written over the file after all (and the ZIP library reports
// what stops it).
ZipReplace CArchiveReplacer::ReplaceAtNextStart(const std::wstring& path, std::wstring& newPath) {
  std::wstring free = path + L'_';
  while (free.size() <= kLongestName && SomethingAt(free)) free += L'_';
  if (free.size() > kLongestName) return ZipReplace::kYes;
  if (FAILED(m_journal.NoteFileToWrite(free)) || FAILED(m_journal.NotePendingRenames())) return ZipReplace::kYes;
  {
    UniqueFile placeholder(CreateFileW(free.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    if (!placeholder) return ZipReplace::kYes;
  }
  const bool scheduled = ReplaceAtRestart(free.c_str(), path.c_str());
  DeleteFileW(free.c_str());
  if (!scheduled) return ZipReplace::kYes;
  m_restartNeeded = true;
  newPath = free;
  return ZipReplace::kRename;
}

}  // namespace wendrix

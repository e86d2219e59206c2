#pragma once
// What an archive installation does with a file that a member would
// overwrite: it is deleted; a file a running program holds is waited for
// once, then the user is told which applications use it (Retry, Abort,
// Ignore), and in the end the member is unpacked beside it under a name
// with "_" appended, to replace it when the system next starts.
#include <windows.h>

#include <string>

#include "archive/zip_archive.h"

namespace wendrix {

class CJournal;
class CArchiveProgress;

class CArchiveReplacer {
 public:
  // `progress` (may be null) is hidden while the user is asked; questions
  // are owned by `owner`. The "_" file and the restart's list of files to
  // replace are noted in `journal`, so a rolled-back installation leaves
  // neither behind.
  CArchiveReplacer(CJournal& journal, HWND owner, CArchiveProgress* progress) noexcept
      : m_journal(journal), m_owner(owner), m_progress(progress) {}

  // The answer for the existing file `path` (ZipExtractCallbacks::replace).
  ZipReplace Decide(const std::wstring& path, std::wstring& newPath);

  // Some member waits for the next start in place of a file in use.
  bool RestartNeeded() const noexcept { return m_restartNeeded; }

 private:
  enum class InUseAnswer { kRetry, kAbort, kGoOn };
  InUseAnswer AskAboutApplications(const std::wstring& path);
  ZipReplace ReplaceAtNextStart(const std::wstring& path, std::wstring& newPath);

  CJournal& m_journal;
  HWND m_owner;
  CArchiveProgress* m_progress;
  bool m_restartNeeded = false;
};

}  // namespace wendrix

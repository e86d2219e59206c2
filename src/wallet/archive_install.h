#pragma once
// Installing archives: the user confirms where files from which hosts go,
// every file and folder the archives will create is noted in a rollback
// journal, the archives are unpacked into their target folders, and a
// failure puts everything back. Files in use are replaced at the next start
// of the system (archive_replace.h).
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/result.h"
#include "setup/archive_switches.h"

namespace wendrix {

struct ArchiveInstallation {
  std::vector<ArchiveToInstall> archives;  // each with its target folder and source host
  std::wstring entryId;                    // empty: no entry's events to signal
  std::wstring itemTitle;                  // the questions' title: "<title> Setup"
  std::uint32_t walletFlags = 0;           // Silent (4): no question, progress or error box
  HWND parent = nullptr;
};

// Installs the archives in order. E_INVALIDARG without archives, with an
// archive left empty or a target that is not a full path on a local drive
// ("D:" stands for the drive's root); E_ABORT when the user refuses or cancels;
// the journal's error when it cannot be made; the ZIP library's results
// (zip_result.h) for an archive that cannot be unpacked, after the rollback.
// Unless Silent, a failure other than a cancel is shown to the user. When a
// file waits for the next start, the user is asked to restart now.
HRESULT InstallArchives(const ArchiveInstallation& installation);

}  // namespace wendrix

#pragma once
// ZIP archives of the wallet's items: listing their members and unpacking
// them into a folder, through UnZip's single-entry interface.
//
// Every member name is judged before anything is written: a name that would
// leave the target folder (a ".." segment, an absolute path, a drive, a UNC
// name, "\\?\", a device) refuses the whole archive, so a hostile archive
// writes nothing. UnZip's own defence (it skips "../" and strips leading
// slashes) stays on behind that check.
//
// UnZip keeps some process-wide state of its own (the archive name buffer,
// the error jump, the pattern vector) and calls back plain functions without
// a context, so calls are serialised by one process-wide lock: a second
// thread waits until the first call has returned. Callbacks run on the
// calling thread, inside that lock: they must not list or extract archives
// themselves. UnZip sets the C locale's character type from the system; it is
// put back when a call returns.
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/result.h"

namespace wendrix {

struct ZipMember {
  std::wstring name;           // as stored, "/" separated; a folder ends with "/"
  std::uint64_t size = 0;      // unpacked size
  bool encrypted = false;
};

// Answers to "a file of this name exists already".
enum class ZipReplace {
  kYes,       // replace it
  kNo,        // keep it and skip the member
  kYesToAll,  // replace it and every later one without asking
  kNoToAll,   // keep it and every later one without asking
  kRename,    // unpack the member under another name (ZipExtractCallbacks::replace's newPath)
  kCancel,    // stop: the extraction ends with E_ABORT
};

struct ZipExtractCallbacks {
  // `existing` is the full path of the file in the way. For kRename, `newPath`
  // receives the name to use instead: relative to the target folder or a
  // full path inside it; another one skips the member and the extraction
  // ends with kPathNotInsideFolder. Without this callback existing files are
  // kept.
  std::function<ZipReplace(const std::wstring& existing, std::wstring& newPath)> replace;
  // The password for encrypted `member`; `retry` is true when the last one
  // was wrong. False cancels (E_ABORT). Without this callback encrypted
  // members cannot be unpacked.
  std::function<bool(std::wstring_view member, bool retry, std::wstring& password)> password;
  // After each file is unpacked: the full path it was written to and its
  // size (folder entries are not reported). False cancels: UnZip can stop
  // only here, so a cancel from elsewhere also ends the call at the next one.
  std::function<bool(std::wstring_view path, std::uint64_t size)> memberDone;
  // Read before the call and after each file; true cancels (E_ABORT).
  const std::atomic<bool>* cancel = nullptr;
};

// The members of `archive`, after judging each name against `targetFolder`
// (see above). `members` is filled only on success. Results: those of
// ZipOutcomeResult (ERROR_FILE_NOT_FOUND for a missing archive,
// ERROR_FILE_CORRUPT for a damaged one), kPathNotInsideFolder for a member
// name that leaves the folder, E_INVALIDARG for empty paths,
// ERROR_NO_UNICODE_TRANSLATION for a path the ANSI code page cannot carry.
HRESULT ListZipMembers(std::wstring_view archive, std::wstring_view targetFolder, std::vector<ZipMember>& members);

// Unpacks every member of `archive` into `targetFolder` (made when missing),
// keeping the folder structure, once ListZipMembers has accepted every name.
// Existing files are replaced only as `callbacks.replace` answers.
HRESULT ExtractZip(std::wstring_view archive, std::wstring_view targetFolder, const ZipExtractCallbacks& callbacks);

}  // namespace wendrix

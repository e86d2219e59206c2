#pragma once
// A publisher's side files in the current user's folder: the stored data file
// <ID>.ini, the previous items <ID>.prv, the inactive items <ID>.ina (each
// read, written or deleted under its own mutex), the icon files and the
// error file <ID>-error.ini.
#include <string>
#include <string_view>

#include "core/result.h"
#include "platform/named_mutex.h"
#include "registration/error_file.h"
#include "registration/publisher_record.h"

namespace wendrix {

class CJournal;

enum class SideFile { kData, kPreviousItems, kInactiveItems };

// The file's path: the record's DataFile / PreviousItemsFile /
// InactiveItemsFile when set and it resolves inside the current user's
// folder (ResolveInsideFolder; `path` is then the full path), else <ID>.ini /
// .prv / .ina in that folder. E_INVALIDARG when neither a usable path nor a
// safe publisher ID (IsSafePublisherId) is there.
HRESULT SideFilePath(const PublisherRecord& record, SideFile kind, std::wstring& path);

// Reads the file's text (byte-order-mark detection). A missing file gives
// its wrapped Windows error and leaves `text` and `stamp` untouched; with a
// stamp, it is set to how the file looked when read (unknown when that could
// not be told).
HRESULT ReadSideFile(const PublisherRecord& record, SideFile kind, std::wstring& text, FileStamp* stamp = nullptr);
// As ReadSideFile with a stamp, unless `stamp` is known (it then describes
// the file holding `text`) and the file still looks so: S_FALSE then, and
// `text` is kept as it is.
HRESULT ReadChangedSideFile(const PublisherRecord& record, SideFile kind, std::wstring& text, FileStamp& stamp);
// Writes the text as UTF-16 with a byte-order mark, creating the folder; an
// empty text deletes the file instead (a missing file is no error). With a
// journal the file is noted first.
HRESULT WriteSideFile(const PublisherRecord& record, SideFile kind, std::wstring_view text, CJournal* journal);
// A check rewrites the same texts for most publishers: this writes `text` as
// WriteSideFile does, unless `stamp` is known (it then describes the file
// holding `text`) and the file still looks so: S_FALSE then, and nothing is
// written (a file another writer stored in another encoding keeps it, since
// it reads as the same text). A write leaves `stamp` unknown, since a file
// just written cannot be stamped, but marked as written here: a later call
// with the same text, once the file has settled, reads the file and writes
// only when it no longer holds the text (stamping it when it does).
HRESULT WriteChangedSideFile(const PublisherRecord& record, SideFile kind, std::wstring_view text, FileStamp& stamp);

// Takes the lock that guards every side file of the kind, for a run of
// reads or writes of such files on this thread: each then shares this hold
// instead of taking the lock anew (named_mutex.h).
HRESULT LockSideFiles(SideFile kind, NamedMutexLock& lock);

// The stored data file through the record's dataText and dataStamp. A save
// always writes, and forgets the stamp, which described the file before.
inline HRESULT LoadDataFile(PublisherRecord& record) {
  return ReadSideFile(record, SideFile::kData, record.dataText, &record.dataStamp);
}
inline HRESULT SaveDataFile(PublisherRecord& record, CJournal* journal) {
  record.dataStamp = {};
  return WriteSideFile(record, SideFile::kData, record.dataText, journal);
}

// The path of an icon file in the current user's folder: "<ID>-<name>.ico",
// or "<ID>-<name>-<second>.ico" when `second` is not empty. Refused with
// 0x8007006F when the two names together reach 250 characters (and when the
// path reaches 260); E_INVALIDARG for an ID that is not a safe publisher ID
// or a name that is empty or holds a blank, "\\", "/" or ":"; 0x8007007B
// for names the system would not keep inside the folder (a device name,
// characters no file name may hold).
HRESULT IconFilePath(std::wstring_view id, std::wstring_view name, std::wstring_view second, std::wstring& path);

// Stores an icon fetched for a group or item at IconFilePath's path under
// "WendrixMutex_PublisherIcons", creating the folder; with a journal the file
// is noted first.
HRESULT WriteIconFile(std::wstring_view id, std::wstring_view name, std::wstring_view second, std::string_view bytes,
                      CJournal* journal);

// The path of the error file "<ID>-error.ini" in the current user's folder;
// E_INVALIDARG for an ID that is not a safe publisher ID.
HRESULT ErrorFilePath(std::wstring_view id, std::wstring& path);
// Writes the error file of a failure (UTF-16 with a byte-order mark).
HRESULT WriteErrorFile(std::wstring_view id, const ErrorReport& report, CJournal* journal);
// Deletes the error file; a missing one is no error.
HRESULT DeleteErrorFile(std::wstring_view id, CJournal* journal);
// After an operation on the publisher: writes the error file when
// report.result failed, deletes it when it succeeded.
HRESULT RecordOutcome(std::wstring_view id, const ErrorReport& report, CJournal* journal);

}  // namespace wendrix

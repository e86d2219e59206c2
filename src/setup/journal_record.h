#pragma once
// The records of a rollback journal file ("rollback.dat"): a plain sequence
// of records, each its type, its fields and a trailing length, so that the
// file can be read from its end backwards, newest record first.
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "core/result.h"

namespace wendrix {

enum JournalRecordType : std::uint32_t {
  kJournalRestoreValue = 0,    // a value that existed: set it back
  kJournalDeleteValue = 1,     // a value that did not exist: delete it
  kJournalDeleteKey = 2,       // a key that did not exist: delete it
  kJournalCreateKey = 3,       // a key that existed: create it again
  kJournalRestoreFile = 4,     // a file that existed: copy its backup back
  kJournalDeleteFile = 5,      // a file that did not exist: delete it
  kJournalRemoveFolder = 6,    // a folder that did not exist: remove it when empty
  kJournalRestoreFolder = 7,   // a folder that existed: create it again with its attributes
  kJournalRestoreFileAnsi = 8, // as 4, paths passed through code page 1252
  kJournalDeleteFileAnsi = 9,  // as 5, the same
  kJournalRemoveFolderAnsi = 10,  // as 6, the same
  kJournalLastType = 10,
};

// One record with the fields its type uses; the others stay empty.
struct JournalRecord {
  std::uint32_t type = 0;
  std::uint32_t valueType = 0;  // type 0
  std::uint32_t view = 0;       // types 0-3: 0, KEY_WOW64_64KEY or KEY_WOW64_32KEY
  std::uint64_t root = 0;       // types 0-3: the predefined root handle's 64-bit value
  std::wstring keyPath;         // types 0-3
  std::wstring valueName;       // types 0, 1 (absent = empty)
  std::vector<std::uint8_t> data;  // type 0
  std::wstring path;            // types 4-10
  std::wstring backupPath;      // types 4, 8
  std::uint32_t attributes = 0; // type 7

  bool operator==(const JournalRecord&) const = default;
};

// The record's bytes: type, fields, trailing length.
std::vector<std::uint8_t> EncodeJournalRecord(const JournalRecord& record);

// Decodes one record from its bytes without the trailing length (type and
// fields). A type above 10 or fields that do not fit give 0x8007000D.
HRESULT DecodeJournalRecord(std::span<const std::uint8_t> bytes, JournalRecord& record);

// True when a decoded record is of a kind the noting operations write. A
// journal lies in the user's temporary folder and may be replayed by an
// elevated process, so nothing else is replayed: registry records name a
// predefined root (HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE
// or HKEY_USERS, as their sign-extended 64-bit values), a view of 0,
// KEY_WOW64_64KEY or KEY_WOW64_32KEY, and a key path that is not empty and
// does not begin with "\"; file and folder records name absolute paths on
// a local drive (IsLocalDrivePath), their backups too. Where a backup lies
// is the rollback's to check: it knows the journal's folder.
bool IsJournalRecordPlausible(const JournalRecord& record) noexcept;

// Walks a journal file from its end: hands each record to `visit`, newest
// first, and stops at the first failure (visit's, E_FAIL for a length that
// does not fit, the decoder's, or 0x8007000D for a record that is not
// plausible). An empty file succeeds.
HRESULT ReadJournalBackwards(std::span<const std::uint8_t> file,
                             const std::function<HRESULT(const JournalRecord&)>& visit);

}  // namespace wendrix

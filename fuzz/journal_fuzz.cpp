// libFuzzer target: the journal file reader on arbitrary bytes (a journal cut
// short by a crash, damaged on disk, or written by someone else to be replayed
// by an elevated process). Whatever it decodes must encode back to the bytes
// it came from, and the reader hands on only records of the kinds the noting
// operations write.
#include <cstdlib>
#include <cstring>

#include "platform/path_containment.h"
#include "setup/journal_record.h"

using namespace wendrix;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  JournalRecord record;
  if (SUCCEEDED(DecodeJournalRecord(bytes, record))) {
    const std::vector<std::uint8_t> encoded = EncodeJournalRecord(record);
    const std::size_t body = encoded.size() - 4;
    if (body > size || std::memcmp(encoded.data(), data, body) != 0) std::abort();
    IsJournalRecordPlausible(record);
  }
  std::size_t visits = 0;
  ReadJournalBackwards(bytes, [&](const JournalRecord& visited) {
    ++visits;
    if (!IsJournalRecordPlausible(visited)) std::abort();
    if (visited.type >= kJournalRestoreFile && !IsLocalDrivePath(visited.path)) std::abort();
    return S_OK;
  });
  if (visits > size / 8) std::abort();  // every record takes at least 8 bytes
  return 0;
}

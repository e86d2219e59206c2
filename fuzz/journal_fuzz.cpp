// libFuzzer target: the journal file reader on arbitrary bytes (a journal cut
// short by a crash, or damaged on disk). Whatever it decodes must encode back
// to the bytes it came from.
#include <cstdlib>
#include <cstring>

#include "setup/journal_record.h"

using namespace wendrix;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  JournalRecord record;
  if (SUCCEEDED(DecodeJournalRecord(bytes, record))) {
    const std::vector<std::uint8_t> encoded = EncodeJournalRecord(record);
    const std::size_t body = encoded.size() - 4;
    if (body > size || std::memcmp(encoded.data(), data, body) != 0) std::abort();
  }
  std::size_t visits = 0;
  ReadJournalBackwards(bytes, [&](const JournalRecord&) {
    ++visits;
    return S_OK;
  });
  if (visits > size / 8) std::abort();  // every record takes at least 8 bytes
  return 0;
}

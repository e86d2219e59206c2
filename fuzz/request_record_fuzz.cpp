// libFuzzer target: a request record, read and written again.
//
// The input is a record file (decoded as the library decodes files).
// Whatever it holds: no crash; a record that reads writes out within the
// size limit, and what is written reads back and writes out to the same text.
#include <cstdlib>
#include <string>

#include "core/text_encoding.h"
#include "wallet/request_record.h"

using namespace wendrix;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  const std::wstring text =
      DecodeTextFile(std::string_view(reinterpret_cast<const char*>(bytes), size), SystemCodePage(3));
  RequestRecord record;
  if (FAILED(ReadRequestRecordText(text, record))) return 0;
  std::wstring written;
  // A record read from the limit's worth of text can grow when written
  // (escapes), so only a refusal for size is allowed.
  if (const HRESULT hr = WriteRequestRecordText(record, written); FAILED(hr)) {
    if (hr != E_INVALIDARG || text.size() * sizeof(char16_t) < kRequestRecordLimit / 4) std::abort();
    return 0;
  }
  RequestRecord again;
  std::wstring rewritten;
  if (ReadRequestRecordText(written, again) != S_OK || WriteRequestRecordText(again, rewritten) != S_OK ||
      rewritten != written)
    std::abort();
  return 0;
}

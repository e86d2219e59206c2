#pragma once
// The property every list file must keep, shared by the fuzz target and the
// regression test that replays the inputs it once found. A list file lies in
// a folder that others may write (the all-users list in particular), and the
// store writes back what it read from it.
//
// CheckListFileRoundTrip: the bytes are read as a list file. Reading may fail
// but must never crash. The records read are written as the store writes a
// list; the writer may refuse them, but what it writes must read back into
// records that write exactly the same text: no value read from a list can
// add a line, a key or a section to the list the store writes, or change on
// the way through.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/ini_data_buffer.h"
#include "core/text_encoding.h"
#include "registration/list_file.h"

namespace wendrix::fuzz {

// The list the store would write for `records`; false when it refuses them.
inline bool WrittenList(const std::vector<PublisherRecord>& records, std::wstring& text) {
  CIniDataBuffer out;
  if (FAILED(WriteListRecords(records, kSlotCurrentUser, out)) || FAILED(out.Save(kIniSaveUnicode))) return false;
  text = out.Text();
  return true;
}

inline bool ReadList(std::wstring_view text, std::vector<PublisherRecord>& records) {
  CIniDataBuffer in;
  in.SetText(text);
  return SUCCEEDED(in.Load(ListFileSchema())) && SUCCEEDED(ReadListRecords(in, kSlotCurrentUser, records));
}

inline bool CheckListFileRoundTrip(const std::uint8_t* data, std::size_t size) {
  const std::wstring text =
      DecodeTextFile(std::string_view(reinterpret_cast<const char*>(data), size), SystemCodePage(3));
  std::vector<PublisherRecord> records;
  if (!ReadList(text, records)) return true;  // refused as a whole
  std::wstring written;
  if (!WrittenList(records, written)) return true;  // refused by the writer
  std::vector<PublisherRecord> back;
  std::wstring again;
  return ReadList(written, back) && back.size() == records.size() && WrittenList(back, again) && again == written;
}

}  // namespace wendrix::fuzz

// libFuzzer target: the event log reader on arbitrary file bytes (any
// process of the user can write the log, and older releases wrote other
// encodings). Every record read must write back as text that reads back to
// the same record.
#include <cstdlib>
#include <string_view>

#include "core/ini_data_buffer.h"
#include "eventlog/event_record.h"

using namespace wendrix;

namespace {

bool SameRecord(const CEventRecord& a, const CEventRecord& b) {
  return a.date == b.date && a.origin == b.origin && a.type == b.type && a.result == b.result &&
         a.publisher == b.publisher && a.group == b.group && a.item == b.item && a.resultInfo == b.resultInfo;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  CIniDataBuffer buffer;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  if (FAILED(LoadIniText(bytes, buffer, EventLogSchema(), nullptr))) return 0;
  CEventList list;
  if (FAILED(ParseEvents(list, buffer))) std::abort();

  for (const CEventRecord& r : list.Records()) {
    EventFields fields;
    fields.date = r.date;
    fields.origin = r.origin;
    fields.type = r.type;
    fields.result = r.result;
    if (!r.publisher.empty()) fields.publisherName = r.publisher;
    if (!r.group.empty()) fields.group = r.group;
    if (!r.item.empty()) fields.item = r.item;
    if (!r.resultInfo.empty()) fields.resultInfo = r.resultInfo;
    std::wstring text;
    if (FAILED(BuildEventText(fields, text))) std::abort();
    CIniDataBuffer again;
    again.SetText(text);
    if (FAILED(again.Load(EventLogSchema()))) std::abort();
    CEventList back;
    if (FAILED(ParseEvents(back, again)) || back.Size() != 1) std::abort();
    // A record without a date is written with the date of file time 0.
    CEventRecord expected = r;
    if (!SameRecord(back.Records()[0], expected)) std::abort();
  }
  return 0;
}

#pragma once
// Event records: one "[Event]" section of the log each, built as text for an
// append and read back from the log's INI text.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/ini_data.h"
#include "core/result.h"
#include "eventlog/event_vocabulary.h"

namespace wendrix {

// One event as read back. A record starts with no date (0), the "none"
// values and empty texts; PublisherID is written but never read back.
struct CEventRecord {
  std::uint64_t date = 0;  // file time, UTC
  std::uint32_t origin = kOriginNone;
  std::uint32_t type = kEventNone;
  std::uint32_t result = kResultNone;
  std::wstring publisher, group, item, resultInfo;
};

// The events of a log in file order.
class CEventList {
 public:
  std::vector<CEventRecord>& Records() noexcept { return m_records; }
  const std::vector<CEventRecord>& Records() const noexcept { return m_records; }
  std::size_t Size() const noexcept { return m_records.size(); }
  bool Empty() const noexcept { return m_records.empty(); }
  void Clear() noexcept { m_records.clear(); }

 private:
  std::vector<CEventRecord> m_records;
};

// What one append writes; absent texts leave their keys out.
struct EventFields {
  std::uint64_t date = 0;  // file time, UTC
  std::uint32_t origin = kOriginNone, type = kEventNone, result = kResultNone;
  std::optional<std::wstring> publisherName;  // the registered publisher's name
  std::optional<std::wstring> publisherId;    // as the caller passed it
  std::optional<std::wstring> group, item, resultInfo;
};

// The text of one record: an empty line, "[Event]", then Date, Origin, Type,
// Publisher, PublisherID, Group, Item, Result and ResultInfo, each present
// key as "Key = value" with CR LF. Publisher, Group, Item and ResultInfo are
// always quoted. E_OUTOFMEMORY when a key cannot be added.
HRESULT BuildEventText(const EventFields& fields, std::wstring& text);

// The schema the log is loaded with: the Event section and its keys as text.
IniSchema EventLogSchema() noexcept;

// Appends one record per Event section of `data` to `list`. Keys before the
// first Event section and keys of other sections are ignored; a malformed
// date or an unknown keyword keeps the field's "none" value.
HRESULT ParseEvents(CEventList& list, const CIniData& data);

}  // namespace wendrix

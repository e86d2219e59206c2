#include "eventlog/history.h"

#include <windows.h>

#include <algorithm>

#include "platform/ini_file.h"
#include "core/string_util.h"
#include "core/text_encoding.h"
#include "frame/string_table.h"
#include "registration/publisher_store.h"
#include "resources/string_ids.h"

namespace wendrix {
namespace {

constexpr std::size_t kCellLimit = 1000;

struct ColumnInfo {
  HistoryColumn column;
  const wchar_t* name;
  UINT title;
};
constexpr ColumnInfo kColumns[] = {
    {HistoryColumn::kDate, L"date", kStrColumnDate},       {HistoryColumn::kOrigin, L"origin", kStrColumnOrigin},
    {HistoryColumn::kEvent, L"event", kStrColumnEvent},     {HistoryColumn::kPublisher, L"publisher", kStrColumnPublisher},
    {HistoryColumn::kGroup, L"group", kStrColumnGroup},     {HistoryColumn::kItem, L"item", kStrColumnItem},
    {HistoryColumn::kResult, L"result", kStrColumnResult},
};

const std::wstring& TextOf(const CEventRecord& r, HistoryColumn column) noexcept {
  switch (column) {
    case HistoryColumn::kPublisher: return r.publisher;
    case HistoryColumn::kGroup: return r.group;
    default: return r.item;
  }
}

// <0, 0, >0 as `a` sorts before, with or after `b` in ascending order.
int CompareBy(const CEventRecord& a, const CEventRecord& b, HistoryColumn column) {
  const auto order = [](auto x, auto y) { return x < y ? -1 : x > y ? 1 : 0; };
  switch (column) {
    case HistoryColumn::kDate: return order(a.date, b.date);
    case HistoryColumn::kOrigin: return order(a.origin, b.origin);
    case HistoryColumn::kEvent: return order(a.type, b.type);
    case HistoryColumn::kResult: return order(a.result, b.result);
    default: {
      const std::wstring& x = TextOf(a, column);
      const std::wstring& y = TextOf(b, column);
      if (x.empty() || y.empty()) return order(!x.empty(), !y.empty());  // an absent text first
      return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, x.data(), static_cast<int>(x.size()), y.data(),
                            static_cast<int>(y.size())) - CSTR_EQUAL;
    }
  }
}

std::wstring WordText(EventWordList list, std::uint32_t value) {
  const unsigned id = EventDisplayId(list, value);
  return id ? LoadStringText(id) : std::wstring();
}

std::wstring LocalDateText(std::uint64_t date) {
  if (date == 0) return {};
  const FILETIME utc{static_cast<DWORD>(date), static_cast<DWORD>(date >> 32)};
  FILETIME local;
  SYSTEMTIME st;
  if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &st)) return {};
  wchar_t day[80] = L"", time[80] = L"";
  GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, day, 80);
  GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &st, nullptr, time, 80);
  return std::wstring(day) + L" " + time;
}

}  // namespace

std::vector<HistoryColumn> HistoryView::Columns() const {
  std::vector<HistoryColumn> columns;
  for (const ColumnInfo& info : kColumns)
    if (Shows(info.column)) columns.push_back(info.column);
  return columns;
}

std::vector<const CEventRecord*> HistoryView::Select(const CEventList& list, CPublisherStore& store) const {
  std::vector<const CEventRecord*> rows;
  for (const CEventRecord& r : list.Records()) {
    bool shown = !SinglePublisher() || r.publisher.empty();
    for (const PublisherRecord& p : store.Records()) {
      if (shown) break;
      shown = CStringUtil::EqualsNoCase(p.name, r.publisher) && CStringUtil::EqualsNoCase(p.id, m_publisherId);
    }
    if (shown) rows.push_back(&r);
  }
  return rows;
}

void HistoryView::Sort(std::vector<const CEventRecord*>& rows, HistoryColumn column, bool descending) const {
  if (!Shows(column)) column = HistoryColumn::kDate;
  std::stable_sort(rows.begin(), rows.end(), [&](const CEventRecord* a, const CEventRecord* b) {
    int c = CompareBy(*a, *b, column);
    if (c == 0) c = CompareBy(*a, *b, HistoryColumn::kDate);
    return descending ? c > 0 : c < 0;
  });
}

HRESULT HistoryView::Export(const std::wstring& path, std::span<const CEventRecord* const> rows) const {
  try {
    const std::vector<HistoryColumn> columns = Columns();
    std::wstring text;
    const auto line = [&](auto cellOf) {
      for (std::size_t i = 0; i < columns.size(); ++i) {
        if (i) text += L'\t';
        text += std::wstring_view(cellOf(columns[i])).substr(0, kCellLimit);
      }
      text += L"\r\n";
    };
    line([](HistoryColumn c) { return HistoryColumnTitle(c); });
    for (const CEventRecord* r : rows) line([&](HistoryColumn c) { return HistoryCellText(*r, c); });
    return WriteUnicodeTextFile(path.c_str(), text);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

std::wstring HistoryColumnTitle(HistoryColumn column) {
  return LoadStringText(kColumns[static_cast<std::size_t>(column)].title);
}

std::wstring HistoryCellText(const CEventRecord& record, HistoryColumn column) {
  switch (column) {
    case HistoryColumn::kDate: return LocalDateText(record.date);
    case HistoryColumn::kOrigin: return WordText(EventWordList::kOrigin, record.origin);
    case HistoryColumn::kEvent: return WordText(EventWordList::kType, record.type);
    case HistoryColumn::kResult: return WordText(EventWordList::kResult, record.result);
    case HistoryColumn::kPublisher:
      if (record.publisher.empty() && record.type == kEventCheck) return LoadStringText(kStrAllPublishers);
      return record.publisher;
    default: return TextOf(record, column);
  }
}

bool ParseHistoryColumn(std::wstring_view name, HistoryColumn& column) noexcept {
  for (const ColumnInfo& info : kColumns) {
    if (CStringUtil::EqualsNoCase(info.name, name)) {
      column = info.column;
      return true;
    }
  }
  return false;
}

}  // namespace wendrix

#pragma once
// The data side of the event history: which records a view shows, the cell
// texts of its columns, sorting, and the tab-separated export.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/result.h"
#include "eventlog/event_record.h"

namespace wendrix {

class CPublisherStore;

enum class HistoryColumn : std::uint32_t { kDate, kOrigin, kEvent, kPublisher, kGroup, kItem, kResult };

// A history view serves every publisher, or one publisher given by its ID;
// the single-publisher view has no Publisher column.
class HistoryView {
 public:
  HistoryView() = default;
  explicit HistoryView(std::wstring publisherId) : m_publisherId(std::move(publisherId)) {}

  bool SinglePublisher() const noexcept { return !m_publisherId.empty(); }
  // The columns shown, in order.
  std::vector<HistoryColumn> Columns() const;
  bool Shows(HistoryColumn column) const noexcept {
    return column != HistoryColumn::kPublisher || !SinglePublisher();
  }

  // The records the view shows, in log order. The single-publisher view
  // shows records without a publisher name and those whose name (ignoring
  // case) is the name of a registered publisher with the view's ID.
  std::vector<const CEventRecord*> Select(const CEventList& list, CPublisherStore& store) const;

  // Sorts by `column` (Date when the view does not show it), rows that
  // compare equal ordered by date in the same direction.
  void Sort(std::vector<const CEventRecord*>& rows, HistoryColumn column, bool descending) const;

  // Writes FF FE, a header line of the shown column titles and one line per
  // row (cells of at most 1000 characters), tab-separated, CR LF after every
  // line. The file is replaced whole; a failed write leaves none.
  HRESULT Export(const std::wstring& path, std::span<const CEventRecord* const> rows) const;

 private:
  std::wstring m_publisherId;
};

// The title of a column (string table).
std::wstring HistoryColumnTitle(HistoryColumn column);
// A cell as the view shows it: the date in the user's short date and time
// format, words by their display texts, "All" for a Check without a
// publisher.
std::wstring HistoryCellText(const CEventRecord& record, HistoryColumn column);
// The column of a name ("date", "origin", "event", "publisher", "group",
// "item", "result", ignoring case); false when there is none.
bool ParseHistoryColumn(std::wstring_view name, HistoryColumn& column) noexcept;

}  // namespace wendrix

#include "ui/history_rows.h"

namespace wendrix {

HistoryRows BuildHistoryRows(const HistoryView& view, const CEventList& list, CPublisherStore& store) {
  HistoryRows rows;
  rows.columns = view.Columns();
  std::vector<const CEventRecord*> records = view.Select(list, store);
  view.Sort(records, HistoryColumn::kDate, true);
  rows.cells.reserve(records.size());
  for (const CEventRecord* record : records) {
    std::vector<std::wstring>& cells = rows.cells.emplace_back();
    for (HistoryColumn column : rows.columns) cells.push_back(HistoryCellText(*record, column));
  }
  return rows;
}

}  // namespace wendrix

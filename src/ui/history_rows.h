#pragma once
// The rows of the History view: the cells of the history's columns for the
// records the view shows, newest first.
#include <string>
#include <vector>

#include "eventlog/history.h"

namespace wendrix {

struct HistoryRows {
  std::vector<HistoryColumn> columns;
  std::vector<std::vector<std::wstring>> cells;  // one vector per row, one text per column
};

// The view's records of `list` sorted by date, newest first, as cell texts.
HistoryRows BuildHistoryRows(const HistoryView& view, const CEventList& list, CPublisherStore& store);

}  // namespace wendrix

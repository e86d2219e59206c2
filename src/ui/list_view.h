#pragma once
// Filling a report-style list view: columns, groups and rows of texts.
#include <windows.h>

#include <span>
#include <string>
#include <vector>

namespace wendrix {

struct ListColumn {
  std::wstring title;
  int width;  // pixels
};

// Replaces the list's columns.
void SetListColumns(HWND list, std::span<const ListColumn> columns);

// Turns group view on with one group per title, group i having ID i.
void SetListGroups(HWND list, std::span<const std::wstring> titles);

// Replaces the rows: each row's texts by column, its item data its index,
// and with `groups` (one per row) its group. The selection is kept on the
// row of the same index when there still is one.
void SetListRows(HWND list, std::span<const std::vector<std::wstring>> rows, std::span<const int> groups = {});

// The index of the selected row, or -1.
int SelectedListRow(HWND list) noexcept;

}  // namespace wendrix

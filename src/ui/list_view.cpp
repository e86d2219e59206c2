#include "ui/list_view.h"

#include <commctrl.h>

namespace wendrix {

void SetListColumns(HWND list, std::span<const ListColumn> columns) {
  while (ListView_DeleteColumn(list, 0)) {
  }
  int index = 0;
  for (const ListColumn& column : columns) {
    LVCOLUMNW c{};
    c.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    c.pszText = const_cast<wchar_t*>(column.title.c_str());
    c.cx = column.width;
    c.iSubItem = index;
    ListView_InsertColumn(list, index, &c);
    ++index;
  }
}

void SetListGroups(HWND list, std::span<const std::wstring> titles) {
  ListView_RemoveAllGroups(list);
  ListView_EnableGroupView(list, TRUE);
  int id = 0;
  for (const std::wstring& title : titles) {
    LVGROUP g{};
    g.cbSize = sizeof g;
    g.mask = LVGF_HEADER | LVGF_GROUPID;
    g.pszHeader = const_cast<wchar_t*>(title.c_str());
    g.iGroupId = id++;
    ListView_InsertGroup(list, -1, &g);
  }
}

void SetListRows(HWND list, std::span<const std::vector<std::wstring>> rows, std::span<const int> groups) {
  const int selected = SelectedListRow(list);
  // Drawing once at the end instead of once per row keeps a long history
  // from flickering.
  SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  ListView_DeleteAllItems(list);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = static_cast<int>(i);
    item.lParam = static_cast<LPARAM>(i);
    item.pszText = const_cast<wchar_t*>(rows[i].empty() ? L"" : rows[i][0].c_str());
    if (i < groups.size()) {
      item.mask |= LVIF_GROUPID;
      item.iGroupId = groups[i];
    }
    const int at = ListView_InsertItem(list, &item);
    for (std::size_t column = 1; column < rows[i].size(); ++column)
      ListView_SetItemText(list, at, static_cast<int>(column), const_cast<wchar_t*>(rows[i][column].c_str()));
  }
  if (selected >= 0 && static_cast<std::size_t>(selected) < rows.size())
    ListView_SetItemState(list, selected, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list, nullptr, TRUE);
}

int SelectedListRow(HWND list) noexcept {
  const int at = ListView_GetNextItem(list, -1, LVNI_SELECTED);
  if (at < 0) return -1;
  LVITEMW item{};
  item.mask = LVIF_PARAM;
  item.iItem = at;
  if (!ListView_GetItem(list, &item)) return -1;
  return static_cast<int>(item.lParam);
}

}  // namespace wendrix

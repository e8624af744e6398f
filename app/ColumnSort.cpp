#include "ColumnSort.h"

#include <algorithm>
#include <numeric>

#include "mListViewEx.h"

namespace {

int CALLBACK ByTag(LPARAM a, LPARAM b, LPARAM) { return a < b ? -1 : a > b ? 1 : 0; }

// Moves the rows so that row order[i] ends at position i. The list sorts by a
// tag in each row's item data, which is then put back; selection and focus
// travel with their rows.
void Reorder(HWND list, const std::vector<int>& order) {
  const int rows = static_cast<int>(order.size());
  std::vector<LPARAM> params(rows);
  std::vector<LPARAM> tags(rows);
  for (int position = 0; position < rows; ++position) tags[order[position]] = position;
  for (int row = 0; row < rows; ++row) {
    params[row] = ItemParam(list, row);
    if (params[row] != tags[row]) SetItemParam(list, row, tags[row]);
  }
  SendMessageW(list, LVM_SORTITEMS, 0, reinterpret_cast<LPARAM>(ByTag));
  for (int position = 0; position < rows; ++position) {
    if (params[order[position]] != position) SetItemParam(list, position, params[order[position]]);
  }
}

int RowHeight(HWND list) {
  RECT row{};
  row.left = LVIR_BOUNDS;
  return SendMessageW(list, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&row)) ? row.bottom - row.top : 0;
}

void ScrollToTop(HWND list, int row) {
  const int top = static_cast<int>(SendMessageW(list, LVM_GETTOPINDEX, 0, 0));
  SendMessageW(list, LVM_SCROLL, 0, (row - top) * RowHeight(list));
}

}  // namespace

void ColumnSort::Click(int column) {
  if (column < 0 || column >= static_cast<int>(kinds_.size())) return;
  ascending_ = column == column_ ? !ascending_ : true;
  column_ = column;
}

void ColumnSort::Apply(ucListView& list, View view) const {
  const HWND hList = list.hListView();
  if (column_ < 0 || !hList) return;
  ShowArrow(list.hHeader());
  const int rows = list.Count();
  std::vector<std::wstring> texts(rows);
  for (int row = 0; row < rows; ++row) texts[row] = ListViewItemText(hList, row, column_);
  std::vector<int> order(rows);
  std::iota(order.begin(), order.end(), 0);
  const SortKind kind = kinds_[column_];
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    const int result = CompareSortTexts(kind, texts[a], texts[b]);
    return ascending_ ? result < 0 : result > 0;
  });

  const int firstRow = static_cast<int>(SendMessageW(hList, LVM_GETTOPINDEX, 0, 0));
  // Rows already in order (a refresh sorted by the system's own order) need no moving.
  const bool moved = std::adjacent_find(order.begin(), order.end(), [](int a, int b) { return b != a + 1; }) !=
                     order.end();
  if (moved) Reorder(hList, order);
  if (view == View::KeepFirstRow && firstRow >= 0 && firstRow < rows) {
    ScrollToTop(hList, static_cast<int>(std::find(order.begin(), order.end(), firstRow) - order.begin()));
  } else if (view == View::ShowSelection) {
    const int selected = list.SelectionItem();
    if (selected >= 0) list.ItemEnsureVisible(selected);
    else ScrollToTop(hList, 0);
  }
}

void ColumnSort::ShowArrow(HWND header) const {
  const int columns = static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
  for (int column = 0; column < columns; ++column) {
    HDITEMW item{};
    item.mask = HDI_FORMAT;
    SendMessageW(header, HDM_GETITEMW, column, reinterpret_cast<LPARAM>(&item));
    const int arrow = column != column_ ? 0 : ascending_ ? HDF_SORTUP : HDF_SORTDOWN;
    const int format = (item.fmt & ~(HDF_SORTUP | HDF_SORTDOWN)) | arrow;
    if (format == item.fmt) continue;
    item.fmt = format;
    SendMessageW(header, HDM_SETITEMW, column, reinterpret_cast<LPARAM>(&item));
  }
}

#pragma once

#include <vector>

#include "SortKeys.h"
#include "ucListView.h"

// The order the user chose for a list by clicking its column headers: the
// first click on a column sorts it ascending, each further click on the same
// column turns the direction. Rows with equal keys keep the order they had,
// so an earlier sort acts as the tie-break of the next one.
class ColumnSort {
 public:
  explicit ColumnSort(std::vector<SortKind> kinds) : kinds_(std::move(kinds)) {}

  void Click(int column);
  int Column() const { return column_; }  // -1 until the first click
  bool Ascending() const { return ascending_; }

  // Where the list's view stands after the rows moved.
  enum class View { KeepFirstRow, ShowSelection };
  // Sorts the rows (nothing to do before the first click) and marks the
  // sorted column's header with the direction arrow.
  void Apply(ucListView& list, View view) const;
  // Marks the sorted column's header with the direction arrow, and only it.
  void ShowArrow(HWND header) const;

 private:

  std::vector<SortKind> kinds_;
  int column_ = -1;
  bool ascending_ = true;
};

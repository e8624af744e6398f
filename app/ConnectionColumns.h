#pragma once

#include <vector>

#include "SortKeys.h"
#include "ucListView.h"

// The connection list's eight columns. Their widths are designed for 96 dpi
// and follow the window's dpi, also when it changes while the window lives.
class ConnectionColumns {
 public:
  // Adds the columns at widths for this dpi.
  void Add(ucListView& list, int dpi);
  // Scales every column's present width, the user's own widths included.
  void DpiChanged(ucListView& list, int dpi);
  int Dpi() const { return dpi_; }

  // How each column's texts compare when the user sorts by it.
  static std::vector<SortKind> SortKinds();

 private:
  int dpi_ = 96;
};

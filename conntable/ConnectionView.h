#pragma once

#include <string>
#include <string_view>

#include "ConnectionModel.h"
#include "ConnectionOrder.h"
#include "ucListView.h"

// The connection list as an owner-data ucListView shows it: the last
// snapshot's model in the order the user chose. The list asks it for the texts
// it paints; whatever reads rows (the watches, tests) reads them here, by list
// item, never from the list.
class ConnectionView : public ucListViewData {
 public:
  // Becomes the list's rows: before the list's Initialize.
  explicit ConnectionView(ucListView& list);

  // Shows a newer snapshot: the remarks go over to it by connection, it is put
  // in the chosen order, and the list gets its count and repaints. The user
  // keeps their place: the selected and the focused connection keep selection
  // and focus wherever they moved, and the first visible connection stays
  // first; when that one has gone, the nearest one after or before it in the
  // old order that is still there takes its place. A focus whose connection
  // has gone goes to the first visible row, a selection with it.
  void Show(ConnectionModel model);

  // Sorts the rows by column (the earlier order breaking its ties) for this
  // and every later snapshot, and shows the selection, or the first row when
  // there is none.
  void SortBy(int column, bool ascending);

  const ConnectionModel& Model() const { return model_; }
  int Count() const { return model_.Count(); }
  const ConnectionRow& Row(int item) const { return model_.Row(order_.Row(item)); }
  void SetRemark(int item, const std::wstring& remark);

  std::wstring_view ItemText(int Item, int SubItem) const override;

 private:
  // The rows at the user's place, -1 for none.
  struct Place {
    int selected = -1;
    int focused = -1;
    int top = -1;
  };
  Place PlaceOf(const ConnectionModel& older, const ConnectionOrder& olderOrder) const;
  int Survivor(const ConnectionModel& older, const ConnectionOrder& olderOrder, int topItem) const;
  void Select(int oldItem, int newItem);

  ucListView& list_;
  ConnectionModel model_;
  ConnectionOrder order_;
};

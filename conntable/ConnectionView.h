#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ConnectionModel.h"
#include "ConnectionOrder.h"
#include "ProgramIcons.h"
#include "RowFilter.h"
#include "ShownItems.h"
#include "ucListView.h"

// The connection list as an owner-data ucListView shows it: the last
// snapshot's model in the order the user chose, narrowed by the filter, with
// the connections that closed since the snapshot before kept for one refresh
// at their old place (ShownItems). The list asks it for the texts and icons it
// paints; whatever reads rows (the watches, tests) reads them here, by list
// item, never from the list.
class ConnectionView : public ucListViewData {
 public:
  // Becomes the list's rows: before the list's Initialize.
  explicit ConnectionView(ucListView& list);

  // Shows a newer snapshot: the remarks go over to it by connection, it is put
  // in the chosen order, and the list gets its count and repaints. The user
  // keeps their place: the selected and the focused connections keep
  // selection and focus wherever they moved, and the first visible connection
  // stays first; when that one has gone, the nearest one after or before it
  // in the old order that is still there takes its place. A focus whose
  // connection has gone goes to the first visible row.
  // An order already applied to the model (on the snapshot's thread) is taken
  // when its keys are still the list's and it does not sort by the remarks,
  // which the model gets only here; otherwise the rows are sorted again.
  void Show(ConnectionModel model, ConnectionOrder ordered = {});
  // The order a new snapshot should be given.
  const ConnectionOrder& Order() const { return order_; }

  // Sorts the rows by column (the earlier order breaking its ties) for this
  // and every later snapshot, and shows the selection, or the first row when
  // there is none.
  void SortBy(int column, bool ascending);

  // Shows only the rows the filter passes, now and after every refresh,
  // keeping the user's place as a refresh does.
  void Filter(const std::wstring& text);

  // The programs' icons in the first column; after the list's Initialize.
  bool ShowProgramIcons();

  const ConnectionModel& Model() const { return *model_; }
  // The snapshot's rows in the list's order, those the filter hides included.
  const ConnectionRow& OrderedRow(int position) const { return model_->Row(order_.Row(position)); }
  // The list's items, and those of them that are rows of the snapshot.
  int Count() const { return shown_.Count(); }
  int ShownRows() const { return shown_.ModelItems(); }
  const ConnectionRow& Row(int item) const { return shown_.Row(item); }
  RowAge Age(int item) const { return shown_.Age(item); }
  const std::wstring& ProgramPath(int item) const { return shown_.ProgramPath(item); }
  // A closed connection takes no remark.
  void SetRemark(int item, const std::wstring& remark);
  std::vector<int> SelectedItems() const;

  std::wstring_view ItemText(int Item, int SubItem) const override;
  int ItemIcon(int Item) const override;
  bool DrawsItemIcons() const override { return iconsShown_; }
  void DrawItemIcon(int Item, HDC Dc, const RECT& Place) const override;

 private:
  // Where the user was among the items before they changed.
  struct Place {
    std::vector<int> selected;
    int focused = -1;
    int top = -1;
  };
  Place PlaceNow() const;
  // Puts the user back at the place they had among the items before.
  void Restore(const ShownItems& before, const Place& place, bool showSelection);
  int Survivor(const ShownItems& before, int topItem) const;

  ucListView& list_;
  std::unique_ptr<ConnectionModel> model_ = std::make_unique<ConnectionModel>();
  ConnectionOrder order_;
  RowFilter filter_;
  ShownItems shown_;
  bool shownOnce_ = false;  // the first snapshot marks nothing new or closed
  mutable ProgramIcons icons_;
  bool iconsShown_ = false;
};

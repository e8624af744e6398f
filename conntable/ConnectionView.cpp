#include "ConnectionView.h"

#include <algorithm>
#include <utility>

ConnectionView::ConnectionView(ucListView& list) : list_(list) { list_.OwnerData(this); }

namespace {

// Under Wine every step that changes the list (its count, a scroll) paints at
// once, the scroll bars included: a refresh paints once, at its end.
class PaintOnce {
 public:
  explicit PaintOnce(ucListView& list) : list_(list) { list_.Redraw(false); }
  ~PaintOnce() { list_.Redraw(true); }
  PaintOnce(const PaintOnce&) = delete;
  PaintOnce& operator=(const PaintOnce&) = delete;

 private:
  ucListView& list_;
};

}  // namespace

// The nearest item to topItem, after it first, whose connection the new
// snapshot still holds: its row there, or -1.
int ConnectionView::Survivor(const ConnectionModel& older, const ConnectionOrder& olderOrder, int topItem) const {
  const int count = older.Count();
  if (topItem < 0 || topItem >= count) return -1;
  for (int distance = 0; topItem + distance < count || topItem - distance >= 0; ++distance) {
    for (const int item : {topItem + distance, topItem - distance}) {
      if (item < 0 || item >= count) continue;
      const int row = model_.Find(older.Row(olderOrder.Row(item)).id);
      if (row >= 0) return row;
    }
  }
  return -1;
}

ConnectionView::Place ConnectionView::PlaceOf(const ConnectionModel& older, const ConnectionOrder& olderOrder) const {
  auto rowOf = [&](int item) {
    return item >= 0 && item < older.Count() ? model_.Find(older.Row(olderOrder.Row(item)).id) : -1;
  };
  return {rowOf(list_.SelectionItem()), rowOf(list_.ItemFindState(-1, LVNI_FOCUSED)),
          Survivor(older, olderOrder, list_.TopItem())};
}

// Selection follows its connection; a single-selection list has one at most.
void ConnectionView::Select(int oldItem, int newItem) {
  if (oldItem == newItem) return;
  if (oldItem >= 0) list_.ItemSelected(oldItem, false);
  if (newItem >= 0) list_.ItemSelected(newItem, true);
}

void ConnectionView::Show(ConnectionModel model) {
  const int oldSelected = list_.SelectionItem();
  const int oldFocused = list_.ItemFindState(-1, LVNI_FOCUSED);
  const int oldTop = list_.TopItem();
  ConnectionModel older = std::exchange(model_, std::move(model));
  const Place place = PlaceOf(older, order_);
  model_.TakeRemarks(older);
  order_.Apply(model_);

  const int count = model_.Count();
  const PaintOnce paintOnce(list_);
  // The old selection's item may not exist in the new count.
  if (oldSelected >= 0) list_.ItemSelected(oldSelected, false);
  list_.ItemCount(count);
  if (count == 0) return;
  const int top = place.top >= 0 ? order_.Item(place.top) : std::clamp(oldTop, 0, count - 1);
  if (place.selected >= 0) list_.ItemSelected(order_.Item(place.selected), true);
  if (place.focused >= 0) list_.ItemFocused(order_.Item(place.focused), true);
  else if (oldFocused >= 0) list_.ItemFocused(top, true);
  list_.TopItem(top);
}

void ConnectionView::SortBy(int column, bool ascending) {
  const int count = Count();
  const int selected = list_.SelectionItem();
  const int focused = list_.ItemFindState(-1, LVNI_FOCUSED);
  const int selectedRow = selected >= 0 && selected < count ? order_.Row(selected) : -1;
  const int focusedRow = focused >= 0 && focused < count ? order_.Row(focused) : -1;
  order_.SortBy(model_, column, ascending);

  const PaintOnce paintOnce(list_);
  const int newSelected = selectedRow >= 0 ? order_.Item(selectedRow) : -1;
  Select(selected, newSelected);
  if (focusedRow >= 0 && focusedRow != selectedRow) list_.ItemFocused(order_.Item(focusedRow), true);
  if (newSelected >= 0) list_.ItemEnsureVisible(newSelected);
  else if (count > 0) list_.TopItem(0);
}

void ConnectionView::SetRemark(int item, const std::wstring& remark) {
  if (item < 0 || item >= Count()) return;
  model_.SetRemark(order_.Row(item), remark);
  list_.ItemsRedraw(item, item);
}

std::wstring_view ConnectionView::ItemText(int Item, int SubItem) const {
  if (Item < 0 || Item >= Count() || SubItem < 0 || SubItem >= static_cast<int>(std::tuple_size_v<ConnectionTexts>)) {
    return {};
  }
  return Row(Item).texts[SubItem];
}

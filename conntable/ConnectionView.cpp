#include "ConnectionView.h"

#include <algorithm>
#include <iterator>
#include <utility>

ConnectionView::ConnectionView(ucListView& list) : list_(list) { list_.OwnerData(this); }

namespace {

// Under Wine every step that changes the list (its count, a scroll) paints at
// once, the scroll bars included: a refresh that takes such a step turns the
// list's painting off before it and paints once, at its end; one that takes
// none repaints the rows alone.
class PaintOnce {
 public:
  explicit PaintOnce(ucListView& list) : list_(list) {}
  ~PaintOnce() {
    if (held_) list_.Redraw(true);
    else list_.Invalidate();
  }
  PaintOnce(const PaintOnce&) = delete;
  PaintOnce& operator=(const PaintOnce&) = delete;

  void Hold() {
    if (!held_) list_.Redraw(false);
    held_ = true;
  }

 private:
  ucListView& list_;
  bool held_ = false;
};

}  // namespace

std::vector<int> ConnectionView::SelectedItems() const {
  std::vector<int> items;
  for (int item = list_.ItemFindState(-1, LVNI_SELECTED); item >= 0 && item < Count();
       item = list_.ItemFindState(item, LVNI_SELECTED)) {
    items.push_back(item);
  }
  return items;
}

ConnectionView::Place ConnectionView::PlaceNow() const {
  const int focused = list_.ItemFindState(-1, LVNI_FOCUSED);
  return {SelectedItems(), focused < Count() ? focused : -1, list_.TopItem()};
}

// The nearest item to topItem among those before, after it first, whose
// connection is still shown: its item now, or -1.
int ConnectionView::Survivor(const ShownItems& before, int topItem) const {
  const int count = before.Count();
  if (topItem < 0 || topItem >= count) return -1;
  for (int distance = 0; topItem + distance < count || topItem - distance >= 0; ++distance) {
    for (const int item : {topItem + distance, topItem - distance}) {
      if (item < 0 || item >= count) continue;
      const int now = shown_.Find(before.Row(item).id);
      if (now >= 0) return now;
    }
  }
  return -1;
}

void ConnectionView::Restore(const ShownItems& before, const Place& place, bool showSelection) {
  const int count = Count();
  auto now = [&](int item) { return item >= 0 ? shown_.Find(before.Row(item).id) : -1; };
  PaintOnce paint(list_);
  std::vector<int> selected;
  for (const int item : place.selected) {
    const int moved = now(item);
    if (moved >= 0) selected.push_back(moved);
  }
  std::sort(selected.begin(), selected.end());
  // Only the items whose selection changes are told: the old ones may not
  // exist in the new count, and under Wine the list's own walk of every row
  // costs more than a few items one by one.
  std::vector<int> deselected;
  std::set_difference(place.selected.begin(), place.selected.end(), selected.begin(), selected.end(),
                      std::back_inserter(deselected));
  if (deselected.size() * 32 <= static_cast<size_t>(list_.Count())) {
    for (const int item : deselected) list_.ItemSelectedKeepFocus(item, false);
  } else {
    list_.ItemSelected(-1, false);
  }
  if (list_.Count() != count) {
    paint.Hold();
    list_.ItemCount(count);
  }
  if (count == 0) return;
  for (const int item : selected) {
    if (!list_.ItemSelected(item)) list_.ItemSelectedKeepFocus(item, true);
  }
  const int survivor = Survivor(before, place.top);
  const int top = survivor >= 0 ? survivor : std::clamp(place.top, 0, count - 1);
  const int focusedNow = now(place.focused);
  const int focus = focusedNow >= 0 ? focusedNow : place.focused >= 0 ? top : -1;
  // The list scrolls to the row it focuses: what scrolls turns painting off.
  const int page = list_.VisibleCount();
  auto visible = [&](int item, int first) { return item >= first && item < first + page; };
  auto focusOn = [&] {
    if (focus < 0) return;
    if (!visible(focus, list_.TopItem())) paint.Hold();
    list_.ItemFocused(focus, true);
  };
  auto scrollTo = [&](int item) {
    if (list_.TopItem() == item) return;
    paint.Hold();
    list_.TopItem(item);
  };
  if (showSelection) {
    focusOn();
    if (selected.empty()) {
      scrollTo(0);
    } else if (!visible(selected.front(), list_.TopItem())) {
      paint.Hold();
      list_.ItemEnsureVisible(selected.front());
    }
  } else if (visible(focus, top)) {
    // After the scroll to the kept top, the focus scrolls nothing.
    scrollTo(top);
    focusOn();
  } else {
    focusOn();
    scrollTo(top);
  }
}

void ConnectionView::Show(ConnectionModel model, ConnectionOrder ordered) {
  const Place place = PlaceNow();
  const std::unique_ptr<ConnectionModel> older =
      std::exchange(model_, std::make_unique<ConnectionModel>(std::move(model)));
  const ShownItems before = std::exchange(shown_, ShownItems());
  shown_.Change(*older, order_, *model_, std::exchange(shownOnce_, true));
  model_->TakeRemarks(*older);
  if (ordered.SameKeys(order_) && ordered.Count() == model_->Count() && !order_.SortsBy(kRemarkColumn)) {
    order_ = std::move(ordered);
  } else {
    order_.Apply(*model_);
  }
  shown_.Build(*model_, order_, filter_);
  Restore(before, place, false);
}

void ConnectionView::SortBy(int column, bool ascending) {
  const Place place = PlaceNow();
  const ShownItems before = shown_;
  order_.SortBy(*model_, column, ascending);
  shown_.Build(*model_, order_, filter_);
  Restore(before, place, true);
}

void ConnectionView::Filter(const std::wstring& text) {
  const Place place = PlaceNow();
  const ShownItems before = shown_;
  filter_ = RowFilter(text);
  shown_.Build(*model_, order_, filter_);
  Restore(before, place, false);
}

bool ConnectionView::ShowProgramIcons() {
  iconsShown_ = icons_.Create() && list_.ImageListSmall_Share(icons_.hIml());
  return iconsShown_;
}

void ConnectionView::SetRemark(int item, const std::wstring& remark) {
  if (item < 0 || item >= Count()) return;
  const int row = shown_.ModelRow(item);
  if (row < 0) return;
  model_->SetRemark(row, remark);
  list_.ItemsRedraw(item, item);
}

std::wstring_view ConnectionView::ItemText(int Item, int SubItem) const {
  if (Item < 0 || Item >= Count() || SubItem < 0 || SubItem >= static_cast<int>(std::tuple_size_v<ConnectionTexts>)) {
    return {};
  }
  return Row(Item).texts[SubItem];
}

int ConnectionView::ItemIcon(int Item) const {
  if (!iconsShown_ || Item < 0 || Item >= Count()) return -1;
  return icons_.IconIndex(ProgramPath(Item));
}

void ConnectionView::DrawItemIcon(int Item, HDC Dc, const RECT& Place) const {
  const int icon = ItemIcon(Item);
  if (icon >= 0) icons_.Draw(icon, Dc, Place);
}

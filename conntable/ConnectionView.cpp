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
  const PaintOnce paintOnce(list_);
  // The old selection's items may not exist in the new count.
  if (!place.selected.empty()) list_.ItemSelected(-1, false);
  // A steady list (the same count, the place where it was) costs its paint alone.
  if (list_.Count() != count) list_.ItemCount(count);
  if (count == 0) return;
  int firstSelected = -1;
  for (const int item : place.selected) {
    const int selected = now(item);
    if (selected < 0) continue;
    list_.ItemSelected(selected, true);
    if (firstSelected < 0 || selected < firstSelected) firstSelected = selected;
  }
  const int survivor = Survivor(before, place.top);
  const int top = survivor >= 0 ? survivor : std::clamp(place.top, 0, count - 1);
  const int focused = now(place.focused);
  if (focused >= 0) list_.ItemFocused(focused, true);
  else if (place.focused >= 0) list_.ItemFocused(top, true);
  if (!showSelection) list_.TopItem(top);
  else if (firstSelected >= 0) list_.ItemEnsureVisible(firstSelected);
  else list_.TopItem(0);
}

void ConnectionView::Show(ConnectionModel model) {
  const Place place = PlaceNow();
  const std::unique_ptr<ConnectionModel> older =
      std::exchange(model_, std::make_unique<ConnectionModel>(std::move(model)));
  const ShownItems before = std::exchange(shown_, ShownItems());
  shown_.Change(*older, order_, *model_, std::exchange(shownOnce_, true));
  model_->TakeRemarks(*older);
  order_.Apply(*model_);
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

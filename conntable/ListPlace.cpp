#include "ListPlace.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>

#include "ucListView.h"

namespace {

// The columns that tell one connection from another: PID, local address and
// port, remote address and port.
constexpr int kKeyColumns[] = {0, 3, 4, 5, 6};

int TopItem(const ucListView& list) {
  return static_cast<int>(SendMessageW(list.hListView(), LVM_GETTOPINDEX, 0, 0));
}

// Report views scroll by whole rows; LVM_SCROLL takes pixels.
void ScrollToTop(ucListView& list, int item) {
  const int current = TopItem(list);
  if (item == current) return;
  RECT row{};
  row.left = LVIR_BOUNDS;
  if (!SendMessageW(list.hListView(), LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&row))) return;
  SendMessageW(list.hListView(), LVM_SCROLL, 0, (item - current) * (row.bottom - row.top));
}

}  // namespace

ListPlace::ListPlace(const ucListView& list) {
  if (list.Count() == 0) return;
  selected_ = Read(list, list.SelectionItem());
  top_ = Read(list, TopItem(list));
}

ListPlace::Mark ListPlace::Read(const ucListView& list, int item) {
  Mark mark;
  if (item < 0 || item >= list.Count()) return mark;
  mark.before = item;
  for (size_t i = 0; i < std::size(kKeyColumns); ++i) mark.key[i] = list.SubItemText(item, kKeyColumns[i]);
  return mark;
}

bool ListPlace::Matches(const Mark& mark, const ConnectionTexts& texts) {
  if (mark.before < 0 || mark.after >= 0) return false;
  for (size_t i = 0; i < std::size(kKeyColumns); ++i) {
    if (texts[kKeyColumns[i]] != mark.key[i]) return false;
  }
  return true;
}

void ListPlace::Seen(int item, const ConnectionTexts& texts) {
  if (Matches(selected_, texts)) selected_.after = item;
  if (Matches(top_, texts)) top_.after = item;
}

void ListPlace::Restore(ucListView& list) const {
  const int count = list.Count();
  if (count == 0) return;
  if (selected_.after >= 0) {
    list.ItemSelected(selected_.after, true);
    list.ItemFocused(selected_.after, true);
  }
  if (top_.before < 0) return;
  ScrollToTop(list, top_.after >= 0 ? top_.after : std::min(top_.before, count - 1));
}

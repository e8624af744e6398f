#include <algorithm>

#include "ucListView.h"

namespace {

// LVM_FINDITEM's text rules: the whole text or its start, either way
// ignoring case.
bool TextMatches(std::wstring_view text, const wchar_t* wanted, UINT flags) {
  const std::wstring_view want = wanted;
  const bool partial = flags & LVFI_PARTIAL;
  if (partial ? text.size() < want.size() : text.size() != want.size()) return false;
  if (want.empty()) return true;
  return CompareStringOrdinal(text.data(), static_cast<int>(want.size()), want.data(), static_cast<int>(want.size()),
                              TRUE) == CSTR_EQUAL;
}

}  // namespace

bool ucListView::OwnerData(ucListViewData* Data) {
  if (m_bInitialized) return false;
  m_pData = Data;
  return true;
}

bool ucListView::ItemCount(int Count) {
  if (!m_pData || !m_hListView || Count < 0) return false;
  const bool first = this->Count() == 0;
  SendList(LVM_SETITEMCOUNT, Count, LVSICF_NOSCROLL);
  // As in normal mode, the first row gets the focus without an item click.
  if (first && Count > 0 && ItemFindState(-1, LVNI_FOCUSED) == -1) {
    m_bSuppressItemClick = true;
    ItemFocused(0, true);
    m_bSuppressItemClick = false;
  }
  return true;
}

void ucListView::Redraw(bool Value) {
  SendList(WM_SETREDRAW, Value);
  if (Value) Invalidate();
}

void ucListView::Invalidate() {
  if (m_hListView) InvalidateRect(m_hListView.get(), nullptr, TRUE);
}

int ucListView::VisibleCount() const { return static_cast<int>(SendList(LVM_GETCOUNTPERPAGE)); }

void ucListView::ItemSelectedKeepFocus(int Item, bool Value) {
  SetItemState(Item, LVIS_SELECTED, Value ? LVIS_SELECTED : 0);
}

bool ucListView::ItemsRedraw(int First, int Last) { return SendList(LVM_REDRAWITEMS, First, Last) != 0; }

int ucListView::TopItem() const { return m_hListView ? static_cast<int>(SendList(LVM_GETTOPINDEX)) : -1; }

// Report views scroll by whole rows; LVM_SCROLL takes pixels.
void ucListView::TopItem(int Item) {
  const int current = TopItem();
  if (current < 0 || Item == current) return;
  RECT row{};
  row.left = LVIR_BOUNDS;
  if (!SendList(LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&row))) return;
  SendList(LVM_SCROLL, 0, (Item - current) * (row.bottom - row.top));
}

void ucListView::OnGetDispInfo(NMLVDISPINFOW& info) const {
  if ((info.item.mask & LVIF_IMAGE) && info.item.iSubItem == 0) {
    info.item.iImage = m_pData->DrawsItemIcons() ? I_IMAGENONE : m_pData->ItemIcon(info.item.iItem);
  }
  if (!(info.item.mask & LVIF_TEXT) || !info.item.pszText || info.item.cchTextMax <= 0) return;
  const std::wstring_view text = m_pData->ItemText(info.item.iItem, info.item.iSubItem);
  const size_t length = std::min(text.size(), static_cast<size_t>(info.item.cchTextMax - 1));
  std::copy_n(text.data(), length, info.item.pszText);
  info.item.pszText[length] = L'\0';
}

// Searches the item texts after iStart, from the first item on when iStart is
// -1, going round to the start with LVFI_WRAP; finding by item data has no
// data to look at.
int ucListView::OnFindItem(const NMLVFINDITEMW& find) const {
  const UINT flags = find.lvfi.flags;
  if (!(flags & (LVFI_STRING | LVFI_PARTIAL)) || !find.lvfi.psz) return -1;
  const int count = Count();
  const int start = std::clamp(find.iStart + 1, 0, count);
  const int searched = flags & LVFI_WRAP ? count : count - start;
  for (int i = 0; i < searched; ++i) {
    const int Item = (start + i) % count;
    if (TextMatches(m_pData->ItemText(Item, 0), find.lvfi.psz, flags)) return Item;
  }
  return -1;
}

// Where the first column lies across the list, whatever the columns' order and
// the horizontal scroll: the header scrolls with the rows.
void ucListView::FirstColumnSpan() {
  RECT column{};
  m_lFirstColumnLeft = m_lFirstColumnRight = 0;
  if (!m_hHeader || !SendHeader(HDM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&column))) return;
  MapWindowPoints(m_hHeader, m_hListView.get(), reinterpret_cast<POINT*>(&column), 2);
  m_lFirstColumnLeft = column.left;
  m_lFirstColumnRight = column.right;
}

void ucListView::DrawItemIcon(const NMLVCUSTOMDRAW& cd) const {
  const int Item = static_cast<int>(cd.nmcd.dwItemSpec);
  RECT Place{};
  Place.left = LVIR_ICON;
  if (!SendList(LVM_GETITEMRECT, Item, reinterpret_cast<LPARAM>(&Place))) return;
  Place.left = std::max(Place.left, m_lFirstColumnLeft);
  Place.right = std::min(Place.right, m_lFirstColumnRight);
  if (Place.right > Place.left) m_pData->DrawItemIcon(Item, cd.nmcd.hdc, Place);
}

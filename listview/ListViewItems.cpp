#include "ucListView.h"

namespace {

wchar_t* TextOf(const std::wstring& Text) { return const_cast<wchar_t*>(Text.c_str()); }

}  // namespace

bool ucListView::ItemAdd(int Item, const std::wstring& Text, int Indent, int Icon) {
  LVITEMW item{};
  item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_STATE | LVIF_INDENT;
  item.iItem = Item;
  item.pszText = TextOf(Text);
  item.iImage = Icon;
  item.iIndent = Indent;
  if (!m_hListView || m_pData || SendList(LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)) < 0) return false;
  // The first row gets the focus (not the selection), without an item click for it.
  if (Count() == 1) {
    m_bSuppressItemClick = true;
    ItemFocused(0, true);
    m_bSuppressItemClick = false;
  }
  return true;
}

bool ucListView::ItemRemove(int Item) { return SendList(LVM_DELETEITEM, Item) != 0; }

bool ucListView::Clear() { return SendList(LVM_DELETEALLITEMS) != 0; }

bool ucListView::ItemEnsureVisible(int Item) { return SendList(LVM_ENSUREVISIBLE, Item, FALSE) != 0; }

int ucListView::ItemFindText(const std::wstring& Text, int StartItem, long Coincidence) const {
  LVFINDINFOW find{};
  find.flags = static_cast<UINT>(Coincidence);
  find.psz = Text.c_str();
  return m_hListView ? static_cast<int>(SendList(LVM_FINDITEMW, StartItem, reinterpret_cast<LPARAM>(&find))) : -1;
}

int ucListView::ItemFindState(int StartItem, long State) const {
  return m_hListView ? static_cast<int>(SendList(LVM_GETNEXTITEM, StartItem, State)) : -1;
}

int ucListView::ItemHitTest(float X, float Y) const {
  int item = -1;
  HitTestFlags({ScaleToPixelsX(X), ScaleToPixelsY(Y)}, &item);
  return item;
}

bool ucListView::Sort(int Column, long SortOrder, long SortType) {
  return m_hListView && SortItems(m_hListView.get(), Column, SortOrder, SortType);
}

int ucListView::Count() const { return static_cast<int>(SendList(LVM_GETITEMCOUNT)); }

int ucListView::SelectedCount() const { return static_cast<int>(SendList(LVM_GETSELECTEDCOUNT)); }

int ucListView::SelectionItem() const { return ItemFindState(-1, LVNI_SELECTED); }

std::wstring ucListView::ItemText(int Item) const { return SubItemText(Item, 0); }
void ucListView::ItemText(int Item, const std::wstring& Text) { SubItemText(Item, 0, Text); }

std::wstring ucListView::SubItemText(int Item, int SubItem) const {
  return m_hListView ? ListViewItemText(m_hListView.get(), Item, SubItem) : std::wstring();
}

void ucListView::SubItemText(int Item, int SubItem, const std::wstring& Text) {
  LVITEMW item{};
  item.iSubItem = SubItem;
  item.pszText = TextOf(Text);
  SendList(LVM_SETITEMTEXTW, Item, reinterpret_cast<LPARAM>(&item));
}

bool ucListView::SubItemSet(int Item, int SubItem, const std::wstring& Text, int Icon) {
  LVITEMW item{};
  item.mask = LVIF_TEXT | LVIF_IMAGE;
  item.iItem = Item;
  item.iSubItem = SubItem;
  item.pszText = TextOf(Text);
  item.iImage = Icon;
  return SendList(LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item)) != 0;
}

int ucListView::GetItemField(int Item, int SubItem, UINT mask, int LVITEMW::*field) const {
  LVITEMW item{};
  item.mask = mask;
  item.iItem = Item;
  item.iSubItem = SubItem;
  return SendList(LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)) ? item.*field : 0;
}

void ucListView::SetItemField(int Item, int SubItem, UINT mask, int LVITEMW::*field, int Value) {
  LVITEMW item{};
  item.mask = mask;
  item.iItem = Item;
  item.iSubItem = SubItem;
  item.*field = Value;
  SendList(LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

// An owner-data host that paints its own images still names them here.
int ucListView::ItemIcon(int Item) const {
  if (DrawsItemIcons()) return Item >= 0 && Item < Count() ? m_pData->ItemIcon(Item) : 0;
  return GetItemField(Item, 0, LVIF_IMAGE, &LVITEMW::iImage);
}
void ucListView::ItemIcon(int Item, int Icon) { SetItemField(Item, 0, LVIF_IMAGE, &LVITEMW::iImage, Icon); }
int ucListView::ItemIndent(int Item) const { return GetItemField(Item, 0, LVIF_INDENT, &LVITEMW::iIndent); }
void ucListView::ItemIndent(int Item, int Indent) { SetItemField(Item, 0, LVIF_INDENT, &LVITEMW::iIndent, Indent); }
int ucListView::SubItemIcon(int Item, int SubItem) const {
  return GetItemField(Item, SubItem, LVIF_IMAGE, &LVITEMW::iImage);
}
void ucListView::SubItemIcon(int Item, int SubItem, int Icon) {
  SetItemField(Item, SubItem, LVIF_IMAGE, &LVITEMW::iImage, Icon);
}

UINT ucListView::ItemState(int Item, UINT mask) const {
  return static_cast<UINT>(SendList(LVM_GETITEMSTATE, Item, mask)) & mask;
}

void ucListView::SetItemState(int Item, UINT mask, UINT state) {
  LVITEMW item{};
  item.stateMask = mask;
  item.state = state;
  SendList(LVM_SETITEMSTATE, Item, reinterpret_cast<LPARAM>(&item));
}

bool ucListView::ItemSelected(int Item) const { return ItemState(Item, LVIS_SELECTED) != 0; }

void ucListView::ItemSelected(int Item, bool Value) {
  if (Item == -1) SetItemState(-1, LVIS_SELECTED, Value ? LVIS_SELECTED : 0);
  else if (Value) SetItemState(Item, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  else SetItemState(Item, LVIS_SELECTED, 0);
}

bool ucListView::ItemFocused(int Item) const { return ItemState(Item, LVIS_FOCUSED) != 0; }
void ucListView::ItemFocused(int Item, bool Value) { SetItemState(Item, LVIS_FOCUSED, Value ? LVIS_FOCUSED : 0); }

// Check boxes are state images: 1 unchecked, 2 checked.
bool ucListView::ItemChecked(int Item) const {
  return ItemState(Item, LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2);
}
void ucListView::ItemChecked(int Item, bool Value) {
  SetItemState(Item, LVIS_STATEIMAGEMASK, INDEXTOSTATEIMAGEMASK(Value ? 2 : 1));
}

bool ucListView::ItemGhosted(int Item) const { return ItemState(Item, LVIS_CUT) != 0; }
void ucListView::ItemGhosted(int Item, bool Value) { SetItemState(Item, LVIS_CUT, Value ? LVIS_CUT : 0); }

bool ucListView::BackgroundPictureSet(const std::wstring& URL) {
  LVBKIMAGEW image{};
  image.ulFlags = LVBKIF_SOURCE_URL | LVBKIF_STYLE_TILE;
  image.pszImage = TextOf(URL);
  image.cchImageMax = static_cast<UINT>(URL.size() + 1);
  if (!SendList(LVM_SETBKIMAGEW, 0, reinterpret_cast<LPARAM>(&image))) return false;
  SendList(LVM_SETTEXTBKCOLOR, 0, static_cast<LPARAM>(CLR_NONE));
  return true;
}

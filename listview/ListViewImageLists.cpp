#include "ucListView.h"

UniqueImageList ucListView::CreateImageList(int ImageWidth, int ImageHeight) const {
  return UniqueImageList(m_hListView ? ImageList_Create(ImageWidth, ImageHeight, ILC_MASK | ILC_COLOR32, 0, 0)
                                     : nullptr);
}

// Check boxes make the list create a state image list of its own, which a list
// sharing its image lists does not destroy when it ends, on Windows as under
// Wine. Whether it destroys that list when check boxes are switched off is not
// the same everywhere (Wine does), so the control takes only the state list the
// window still holds as the control ends, and destroys that one.
void ucListView::TakeStateImageList() {
  const auto state = reinterpret_cast<HIMAGELIST>(SendList(LVM_GETIMAGELIST, LVSIL_STATE));
  if (state && state != m_hImlState.get()) m_hImlState.reset(state);
}

// Each new list is handed to its window before the old one is destroyed.
bool ucListView::InitializeImageListSmall(int ImageWidth, int ImageHeight) {
  UniqueImageList list = CreateImageList(ImageWidth, ImageHeight);
  if (!list) return false;
  SendList(LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(list.get()));
  m_hImlSmall = std::move(list);
  return true;
}

bool ucListView::ImageListSmall_Share(HIMAGELIST hIml) {
  if (!m_hListView || !hIml) return false;
  SendList(LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(hIml));
  m_hImlSmall.reset();
  return true;
}

bool ucListView::InitializeImageListLarge(int ImageWidth, int ImageHeight) {
  UniqueImageList list = CreateImageList(ImageWidth, ImageHeight);
  if (!list) return false;
  SendList(LVM_SETIMAGELIST, LVSIL_NORMAL, reinterpret_cast<LPARAM>(list.get()));
  m_hImlLarge = std::move(list);
  return true;
}

// Without columns the header gets the list when the first column is added.
bool ucListView::InitializeImageListHeader(int ImageWidth, int ImageHeight) {
  UniqueImageList list = CreateImageList(ImageWidth, ImageHeight);
  if (!list) return false;
  SendHeader(HDM_SETIMAGELIST, HDSIL_NORMAL, reinterpret_cast<LPARAM>(list.get()));
  m_hImlHeader = std::move(list);
  return true;
}

int ucListView::ImageListAddBitmap(HIMAGELIST hIml, HBITMAP hBitmap, COLORREF MaskColor) {
  if (!hIml) return -1;
  return MaskColor == CLR_NONE ? ImageList_Add(hIml, hBitmap, nullptr) : ImageList_AddMasked(hIml, hBitmap, MaskColor);
}

int ucListView::ImageListAddIcon(HIMAGELIST hIml, HICON hIcon) { return hIml ? ImageList_AddIcon(hIml, hIcon) : -1; }

int ucListView::ImageListSmall_AddBitmap(HBITMAP hBitmap, COLORREF MaskColor) {
  return ImageListAddBitmap(m_hImlSmall.get(), hBitmap, MaskColor);
}
int ucListView::ImageListLarge_AddBitmap(HBITMAP hBitmap, COLORREF MaskColor) {
  return ImageListAddBitmap(m_hImlLarge.get(), hBitmap, MaskColor);
}
int ucListView::ImageListHeader_AddBitmap(HBITMAP hBitmap, COLORREF MaskColor) {
  return ImageListAddBitmap(m_hImlHeader.get(), hBitmap, MaskColor);
}
int ucListView::ImageListSmall_AddIcon(HICON hIcon) { return ImageListAddIcon(m_hImlSmall.get(), hIcon); }
int ucListView::ImageListLarge_AddIcon(HICON hIcon) { return ImageListAddIcon(m_hImlLarge.get(), hIcon); }
int ucListView::ImageListHeader_AddIcon(HICON hIcon) { return ImageListAddIcon(m_hImlHeader.get(), hIcon); }

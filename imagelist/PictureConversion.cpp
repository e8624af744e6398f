#include "cImageList.h"

#include <olectl.h>

#include <climits>

namespace {

PicturePtr CreatePicture(PICTDESC& description) {
  IPicture* picture = nullptr;
  if (FAILED(OleCreatePictureIndirect(&description, IID_IPicture, TRUE,
                                      reinterpret_cast<void**>(&picture)))) {
    return nullptr;
  }
  return PicturePtr(picture);
}

}  // namespace

PicturePtr cImageList::IconToPicture(HICON icon) {
  if (!icon) return nullptr;
  PICTDESC description{};
  description.cbSizeofstruct = sizeof(description);
  description.picType = PICTYPE_ICON;
  description.icon.hicon = icon;
  return CreatePicture(description);
}

PicturePtr cImageList::BitmapToPicture(HBITMAP bitmap) {
  if (!bitmap) return nullptr;
  PICTDESC description{};
  description.cbSizeofstruct = sizeof(description);
  description.picType = PICTYPE_BITMAP;
  description.bmp.hbitmap = bitmap;
  return CreatePicture(description);
}

COLORREF cImageList::TranslateColor(OLE_COLOR colour, HPALETTE palette) {
  COLORREF rgb = 0;
  return SUCCEEDED(OleTranslateColor(colour, palette, &rgb)) ? rgb : CLR_INVALID;
}

PicturePtr cImageList::ItemPicture(const ImageKey& key) const {
  IconHandle icon(ImageList_GetIcon(list_.get(), ItemIndex(key), ILD_TRANSPARENT));
  PicturePtr picture = IconToPicture(icon.get());
  if (picture) icon.release();
  return picture;
}

IconHandle cImageList::ItemCopyOfIcon(const ImageKey& key) const {
  return IconHandle(ImageList_GetIcon(list_.get(), ItemIndex(key), ILD_TRANSPARENT));
}

PicturePtr cImageList::ImagePictureStrip(const std::optional<ImageKey>& start,
                                         const std::optional<ImageKey>& end,
                                         OLE_COLOR backColour) const {
  if (!list_) return nullptr;
  const int count = ImageCount();
  const int first = start ? ItemIndex(*start) : 0;
  const int last = end ? ItemIndex(*end) : count - 1;
  if (last <= first || last < 0) return nullptr;

  // The strip spans the whole list, so cells keep their positions whatever the range.
  const long long width = static_cast<long long>(count) * sizeX_;
  if (width > INT_MAX) return nullptr;
  const DcHandle dc(CreateCompatibleDC(ownerDc_));
  BitmapHandle bitmap(CreateCompatibleBitmap(ownerDc_, static_cast<int>(width), sizeY_));
  if (!dc || !bitmap) return nullptr;
  {
    const SelectedObject selected(dc.get(), bitmap.get());
    if (!selected.Selected()) return nullptr;
    COLORREF background = TranslateColor(backColour);
    if (background == CLR_INVALID) background = GetSysColor(COLOR_WINDOW);
    const BrushHandle brush(CreateSolidBrush(background));
    const RECT all{0, 0, static_cast<int>(width), sizeY_};
    FillRect(dc.get(), &all, brush.get());
    for (int i = first; i <= last; ++i) {
      ImageList_Draw(list_.get(), i, dc.get(), i * sizeX_, 0, ILD_TRANSPARENT);
    }
  }
  PicturePtr picture = BitmapToPicture(bitmap.get());
  if (picture) bitmap.release();
  return picture;
}

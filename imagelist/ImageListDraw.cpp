#include "cImageList.h"

void cImageList::DrawImage(const ImageKey& key, HDC dc, int x, int y, const ImageDrawLook& look,
                           HIMAGELIST externalList) const {
  const int index = ItemIndex(key);
  const HIMAGELIST list = externalList ? externalList : list_.get();
  const UINT style = look.selected || look.cut ? ILD_TRANSPARENT | ILD_SELECTED : ILD_TRANSPARENT;

  if (look.cut) {
    COLORREF dither = TranslateColor(look.cutDitherColour);
    if (dither == CLR_INVALID) dither = GetSysColor(COLOR_WINDOW);
    ImageList_DrawEx(list, index, dc, x, y, 0, 0, CLR_NONE, dither, style);
  } else if (look.disabled) {
    // The disabled look always comes from this object's own image.
    const IconHandle icon(ImageList_GetIcon(list_.get(), index, ILD_NORMAL));
    if (icon) {
      DrawStateW(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(icon.get()), 0, x, y, sizeX_, sizeY_,
                 DST_ICON | DSS_DISABLED);
    }
  } else {
    ImageList_Draw(list, index, dc, x, y, style);
  }
}

int cImageList::SystemColourDepth() {
  const DcHandle display(CreateDCW(L"DISPLAY", nullptr, nullptr, nullptr));
  return display ? GetDeviceCaps(display.get(), BITSPIXEL) : 0;
}

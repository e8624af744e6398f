#include "cImageList.h"

#include <algorithm>

namespace {

// A handle from LoadImageW, freed the way its type needs.
class LoadedImage {
 public:
  LoadedImage(HANDLE image, ImageType type) : image_(image), type_(type) {}
  ~LoadedImage() {
    if (!image_) return;
    switch (type_) {
      case ImageType::Bitmap: DeleteObject(image_); break;
      case ImageType::Icon: DestroyIcon(static_cast<HICON>(image_)); break;
      case ImageType::Cursor: DestroyCursor(static_cast<HCURSOR>(image_)); break;
    }
  }
  LoadedImage(const LoadedImage&) = delete;
  LoadedImage& operator=(const LoadedImage&) = delete;

  HANDLE get() const { return image_; }

 private:
  HANDLE image_;
  ImageType type_;
};

COLORREF TopLeftPixel(HBITMAP bitmap) {
  const DcHandle dc(CreateCompatibleDC(nullptr));
  if (!dc) return CLR_INVALID;
  const SelectedObject selected(dc.get(), bitmap);
  return selected.Selected() ? GetPixel(dc.get(), 0, 0) : CLR_INVALID;
}

UINT MapFlag(bool mapSysColors) { return mapSysColors ? LR_LOADMAP3DCOLORS : 0; }

}  // namespace

int cImageList::AddImage(HANDLE image, ImageType type, const std::wstring& key,
                         COLORREF maskColour, const std::optional<ImageKey>& keyAfter) {
  if (!list_ || !image) return -1;
  const int before = ImageCount();
  std::optional<int> insertAt;
  if (keyAfter && before > 0 && !(keyAfter->IsPosition() && keyAfter->Position() == 0)) {
    insertAt = ItemIndex(*keyAfter);
  }

  int first = -1;
  switch (type) {
    case ImageType::Bitmap: {
      const HBITMAP bitmap = static_cast<HBITMAP>(image);
      if (maskColour == kTopLeftPixel) maskColour = TopLeftPixel(bitmap);
      first = ImageList_AddMasked(list_.get(), bitmap, maskColour);
      break;
    }
    case ImageType::Icon:
    case ImageType::Cursor:
      first = ImageList_AddIcon(list_.get(), static_cast<HICON>(image));
      break;
  }
  ResizeKeys();
  // A bitmap narrower than one image gives an index but adds nothing.
  if (first < 0 || ImageCount() == before) return -1;

  if (insertAt) {
    const int after = ImageCount();
    if (!RotateImages(*insertAt, before, after)) {
      while (ImageCount() > before) ImageList_Remove(list_.get(), ImageCount() - 1);
      ResizeKeys();
      return -1;
    }
    first = *insertAt;
  }
  StoreKey(first, key);
  return first;
}

bool cImageList::AddFromHandle(HANDLE image, ImageType type, const std::wstring& key,
                               COLORREF maskColour, const std::optional<ImageKey>& keyAfter) {
  return AddImage(image, type, key, maskColour, keyAfter) >= 0;
}

bool cImageList::AddFromFile(const std::wstring& fileName, ImageType type, const std::wstring& key,
                             bool mapSysColors, COLORREF maskColour,
                             const std::optional<ImageKey>& keyAfter) {
  if (!list_) return false;
  const LoadedImage image(LoadImageW(nullptr, fileName.c_str(), static_cast<UINT>(type), 0, 0,
                                     LR_LOADFROMFILE | MapFlag(mapSysColors)),
                          type);
  return AddFromHandle(image.get(), type, key, maskColour, keyAfter);
}

bool cImageList::AddFromResourceID(WORD id, HINSTANCE module, ImageType type,
                                   const std::wstring& key, bool mapSysColors,
                                   COLORREF maskColour, const std::optional<ImageKey>& keyAfter) {
  if (!list_) return false;
  // Icons and cursors come at the list's size; bitmaps at their own.
  const bool sized = type != ImageType::Bitmap;
  const LoadedImage image(LoadImageW(module, MAKEINTRESOURCEW(id), static_cast<UINT>(type),
                                     sized ? sizeX_ : 0, sized ? sizeY_ : 0, MapFlag(mapSysColors)),
                          type);
  return AddFromHandle(image.get(), type, key, maskColour, keyAfter);
}

int cImageList::AddFromPictureBox(HDC source, const PictureBox& box, const std::wstring& key,
                                  int left, int top, OLE_COLOR backColour) {
  if (!list_) return 0;
  const DcHandle dc(CreateCompatibleDC(source));
  BitmapHandle bitmap(CreateCompatibleBitmap(source, sizeX_, sizeY_));
  if (!dc || !bitmap) return 0;

  COLORREF background = backColour == kTopLeftPixel ? GetPixel(box.hDC, 0, 0)
                                                    : TranslateColor(backColour);
  if (background == CLR_INVALID) background = RGB(0xC0, 0xC0, 0xC0);

  {
    const SelectedObject selected(dc.get(), bitmap.get());
    if (!selected.Selected()) return 0;
    const BrushHandle brush(CreateSolidBrush(background));
    const RECT all{0, 0, sizeX_, sizeY_};
    FillRect(dc.get(), &all, brush.get());

    // A fixed 16 x 16 block, cut down where the picture ends sooner.
    constexpr int kBlock = 16;
    BITMAP picture{};
    if (box.hPicture && GetObjectW(box.hPicture, sizeof(picture), &picture)) {
      const int width = std::min<int>(kBlock, picture.bmWidth - left);
      const int height = std::min<int>(kBlock, picture.bmHeight - top);
      if (width > 0 && height > 0) BitBlt(dc.get(), 0, 0, width, height, source, left, top, SRCCOPY);
    }
  }
  return AddImage(bitmap.get(), ImageType::Bitmap, key, background, std::nullopt) + 1;
}

#pragma once

#include <windows.h>
#include <commctrl.h>
#include <ocidl.h>

#include <optional>
#include <string>
#include <vector>

#include "ImageHandles.h"
#include "ImageListError.h"
#include "ImageListKeys.h"
#include "PictureBox.h"

enum class ImageType : UINT {
  Bitmap = IMAGE_BITMAP,
  Icon = IMAGE_ICON,
  Cursor = IMAGE_CURSOR,
};

// Colour flag of a new list; the values are bits per pixel, so a display depth
// read with SystemColourDepth converts unchanged.
enum class ImageColourDepth : UINT {
  Device = ILC_COLOR,
  Bits4 = ILC_COLOR4,
  Bits8 = ILC_COLOR8,
  Bits16 = ILC_COLOR16,
  Bits24 = ILC_COLOR24,
  Bits32 = ILC_COLOR32,
};

enum class ImageCopyMode : UINT {
  Move = ILCF_MOVE,  // the destination image is copied over the source position
  Swap = ILCF_SWAP,
};

struct ImageDrawLook {
  bool selected = false;
  bool cut = false;  // wins over disabled
  bool disabled = false;
  OLE_COLOR cutDitherColour = CLR_INVALID;  // untranslatable: the window colour
};

// One common-controls image list plus a key for each image, so that images can
// be named by key or by 1-based position (see ImageKey). A key or position that
// names no image raises cImageListError; other failures return false, 0 or an
// empty result. A key already held by another image is refused silently.
class cImageList {
 public:
  // Passed as a mask or background colour: take it from the image's top-left pixel.
  static constexpr COLORREF kTopLeftPixel = CLR_INVALID;

  cImageList() = default;

  // Device context of the owning window; strips are made compatible with it.
  void OwnerHDC(HDC dc) { ownerDc_ = dc; }

  // Sizes and depth apply to the next Create or Clear; loading icons, picture
  // boxes, strips and disabled drawing read the sizes at once.
  int IconSizeX() const { return sizeX_; }
  void IconSizeX(int pixels) { sizeX_ = pixels; }
  int IconSizeY() const { return sizeY_; }
  void IconSizeY(int pixels) { sizeY_ = pixels; }
  ImageColourDepth ColourDepth() const { return depth_; }
  void ColourDepth(ImageColourDepth depth) { depth_ = depth; }

  // Replaces any list with an empty one of the current sizes and depth.
  bool Create();
  void Destroy();
  void Clear();

  int ImageCount() const;
  HIMAGELIST hIml() const { return list_.get(); }

  bool KeyExists(const std::wstring& key) const;
  // 0-based position of the named image.
  int ItemIndex(const ImageKey& key) const;
  // Key of the image at a 1-based position; empty when it has none.
  std::wstring ItemKey(int position) const;
  void ItemKey(int position, const std::wstring& key);

  void RemoveImage(const ImageKey& key);
  // Keys are exchanged in both modes.
  void SwapOrCopyImage(const ImageKey& source, const ImageKey& destination, ImageCopyMode mode);

  // With keyAfter naming an image, the new images take its place and it moves
  // up with everything after it; without it, or with position 0, they append.
  // A bitmap wider than one image adds several; the key goes to the first.
  bool AddFromHandle(HANDLE image, ImageType type, const std::wstring& key,
                     COLORREF maskColour = kTopLeftPixel,
                     const std::optional<ImageKey>& keyAfter = std::nullopt);
  bool AddFromFile(const std::wstring& fileName, ImageType type, const std::wstring& key,
                   bool mapSysColors = false, COLORREF maskColour = kTopLeftPixel,
                   const std::optional<ImageKey>& keyAfter = std::nullopt);
  // A null module loads the system's predefined images by their OEM ids.
  bool AddFromResourceID(WORD id, HINSTANCE module, ImageType type, const std::wstring& key,
                         bool mapSysColors = false, COLORREF maskColour = kTopLeftPixel,
                         const std::optional<ImageKey>& keyAfter = std::nullopt);
  // Copies at most a 16 x 16 block at (left, top) of source onto an image of
  // the list's size filled with the background colour, which is also the
  // mask. Returns the 1-based position of the new image, 0 when none was added.
  int AddFromPictureBox(HDC source, const PictureBox& box, const std::wstring& key, int left,
                        int top, OLE_COLOR backColour = kTopLeftPixel);

  // The position is looked up in this list and used unchanged in externalList.
  void DrawImage(const ImageKey& key, HDC dc, int x, int y, const ImageDrawLook& look = {},
                 HIMAGELIST externalList = nullptr) const;

  PicturePtr ItemPicture(const ImageKey& key) const;
  IconHandle ItemCopyOfIcon(const ImageKey& key) const;
  // A bitmap the width of the whole list with the images from start to end in
  // their own cells; none for a range of fewer than two images.
  PicturePtr ImagePictureStrip(const std::optional<ImageKey>& start = std::nullopt,
                               const std::optional<ImageKey>& end = std::nullopt,
                               OLE_COLOR backColour = 0x80000000 | COLOR_WINDOW) const;

  // On success the picture owns the handle; on failure the caller keeps it.
  static PicturePtr IconToPicture(HICON icon);
  static PicturePtr BitmapToPicture(HBITMAP bitmap);
  // CLR_INVALID when the colour cannot be translated.
  static COLORREF TranslateColor(OLE_COLOR colour, HPALETTE palette = nullptr);
  static int SystemColourDepth();

 private:
  int AddImage(HANDLE image, ImageType type, const std::wstring& key, COLORREF maskColour,
               const std::optional<ImageKey>& keyAfter);
  bool SwapImages(int a, int b);
  // Like std::rotate on images and keys: [middle, last) moves to first.
  bool RotateImages(int first, int middle, int last);
  void StoreKey(int index, const std::wstring& key);
  void ResizeKeys();

  ImageListHandle list_;
  std::vector<std::wstring> keys_;  // one per image, "" for none
  HDC ownerDc_ = nullptr;
  int sizeX_ = 16;
  int sizeY_ = 16;
  ImageColourDepth depth_ = ImageColourDepth::Device;
};

#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <vector>

#include "ImageHandles.h"

// An image list's images copied once as premultiplied 32-bit pixels, so that
// drawing one is a single AlphaBlend. Under Wine every ImageList_Draw makes
// device contexts and bitmaps of its own (0.15-0.3 ms a call, as much as
// twenty rows of text); the blend of a copy takes about a microsecond. Copies
// follow the list by position: whoever changes an image already drawn calls
// Clear.
class BlendedImages {
 public:
  void Clear();
  // Draws the image at index of list with its top-left corner at place's,
  // cut to place. False when the image cannot be copied.
  bool Draw(HIMAGELIST list, int index, HDC dc, const RECT& place);

 private:
  bool Copy(HIMAGELIST list, int index);
  bool Reserve(int images);

  // The copies one below the other, top-down, so a longer strip keeps the
  // earlier ones at the start of its pixels. The bitmap outlives the device
  // context it is selected into.
  BitmapHandle strip_;
  DcHandle dc_;
  std::uint32_t* pixels_ = nullptr;
  int width_ = 0;
  int height_ = 0;
  std::vector<bool> copied_;
};

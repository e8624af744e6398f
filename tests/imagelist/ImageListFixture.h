#pragma once

#include <gtest/gtest.h>

#include "TestImages.h"
#include "cImageList.h"

// A 24-bit list of 16 x 16 images. Test images use magenta as mask colour, so
// a solid one is opaque throughout.
class ImageListTest : public ::testing::Test {
 protected:
  static constexpr COLORREF kBackground = RGB(10, 20, 30);

  void SetUp() override {
    il.ColourDepth(ImageColourDepth::Bits24);
    ASSERT_TRUE(il.Create());
  }

  bool Add(COLORREF colour, const std::wstring& key, const std::optional<ImageKey>& keyAfter = std::nullopt) {
    const BitmapHandle bitmap = test::SolidBitmap(16, 16, colour);
    return il.AddFromHandle(bitmap.get(), ImageType::Bitmap, key, test::kMagenta, keyAfter);
  }

  // A pixel of the image at a 0-based index, drawn over kBackground.
  COLORREF ColourAt(int index, int x = 8, int y = 8) const {
    test::Canvas canvas(il.IconSizeX(), il.IconSizeY(), kBackground);
    ImageList_Draw(il.hIml(), index, canvas.dc(), 0, 0, ILD_TRANSPARENT);
    return canvas.Pixel(x, y);
  }

  std::vector<COLORREF> Colours() const {
    std::vector<COLORREF> colours;
    for (int i = 0; i < il.ImageCount(); ++i) colours.push_back(ColourAt(i));
    return colours;
  }

  std::vector<std::wstring> Keys() const {
    std::vector<std::wstring> keys;
    for (int i = 1; i <= il.ImageCount(); ++i) keys.push_back(il.ItemKey(i));
    return keys;
  }

  cImageList il;
};

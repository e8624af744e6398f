#include <gtest/gtest.h>

#include <cstdlib>

#include "BlendedImages.h"
#include "TestImages.h"
#include "cImageList.h"

using namespace test;

namespace {

// A 32-bit icon: opaque red on the left, half-transparent blue in the
// middle, fully transparent on the right.
IconHandle AlphaIcon() {
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(info.bmiHeader), 16, -16, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  const BitmapHandle colour(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  for (int i = 0; i < 256; ++i) {
    const int x = i % 16;
    static_cast<DWORD*>(bits)[i] = x < 6 ? 0xFFFF0000u : x < 11 ? 0x80000080u : 0u;
  }
  const BitmapHandle mask(CreateBitmap(16, 16, 1, 1, nullptr));
  ICONINFO icon{TRUE, 0, 0, mask.get(), colour.get()};
  return IconHandle(CreateIconIndirect(&icon));
}

bool Near(COLORREF a, COLORREF b) {
  return std::abs(GetRValue(a) - GetRValue(b)) <= 3 && std::abs(GetGValue(a) - GetGValue(b)) <= 3 &&
         std::abs(GetBValue(a) - GetBValue(b)) <= 3;
}

}  // namespace

// The copy must look as the list's own drawing does on every row colour the
// connection list uses, for alpha and for masked images.
TEST(BlendedImages, DrawsAsTheImageListDoesOverAnyBackground) {
  cImageList il;
  il.ColourDepth(ImageColourDepth::Bits32);
  ASSERT_TRUE(il.Create());
  const IconHandle icon = AlphaIcon();
  ASSERT_TRUE(il.AddFromHandle(icon.get(), ImageType::Icon, L"alpha"));
  const BitmapHandle masked = MakeBitmap(16, 16, [](int x, int) { return x < 8 ? kYellow : kMagenta; });
  ASSERT_TRUE(il.AddFromHandle(masked.get(), ImageType::Bitmap, L"masked", kMagenta));

  BlendedImages blended;
  for (const COLORREF background : {kWhite, RGB(200, 255, 200), RGB(255, 200, 200), RGB(0, 120, 215)}) {
    for (int index : {1, 0}) {
      Canvas expected(20, 20, background), drawn(20, 20, background);
      ImageList_Draw(il.hIml(), index, expected.dc(), 2, 3, ILD_TRANSPARENT);
      ASSERT_TRUE(blended.Draw(il.hIml(), index, drawn.dc(), RECT{2, 3, 18, 19}));
      const auto want = expected.All(), got = drawn.All();
      for (size_t i = 0; i < want.size(); ++i) {
        ASSERT_TRUE(Near(want[i], got[i])) << "image " << index << " background " << std::hex << background
                                           << " pixel " << std::dec << i;
      }
    }
  }
  EXPECT_FALSE(blended.Draw(il.hIml(), 2, Canvas(4, 4, kWhite).dc(), RECT{0, 0, 4, 4}));
}

TEST(BlendedImages, KeepsWithinItsPlace) {
  cImageList il;
  il.ColourDepth(ImageColourDepth::Bits24);
  ASSERT_TRUE(il.Create());
  const BitmapHandle red = SolidBitmap(16, 16, kRed);
  ASSERT_TRUE(il.AddFromHandle(red.get(), ImageType::Bitmap, L"red", kMagenta));
  Canvas canvas(20, 20, kWhite);
  BlendedImages blended;
  ASSERT_TRUE(blended.Draw(il.hIml(), 0, canvas.dc(), RECT{2, 2, 7, 20}));
  EXPECT_EQ(canvas.Pixel(6, 10), kRed);
  EXPECT_EQ(canvas.Pixel(7, 10), kWhite);
}

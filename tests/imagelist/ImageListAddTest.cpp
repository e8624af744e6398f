#include "ImageListFixture.h"

using namespace test;

TEST_F(ImageListTest, BitmapMaskDefaultsToTheTopLeftPixel) {
  const auto framed = [](int x, int y) { return x < 4 || y < 4 ? kWhite : kRed; };
  const BitmapHandle first = MakeBitmap(16, 16, framed);
  ASSERT_TRUE(il.AddFromHandle(first.get(), ImageType::Bitmap, L"auto"));
  EXPECT_EQ(ColourAt(0, 1, 1), kBackground);
  EXPECT_EQ(ColourAt(0, 8, 8), kRed);

  const BitmapHandle second = MakeBitmap(16, 16, framed);
  ASSERT_TRUE(il.AddFromHandle(second.get(), ImageType::Bitmap, L"given", kMagenta));
  EXPECT_EQ(ColourAt(1, 1, 1), kWhite);
}

class ImageListFileTest : public ImageListTest {
 protected:
  TempFolder folder;
};

TEST_F(ImageListFileTest, LoadsBitmapsIconsAndCursorsAtTheirPlace) {
  const std::wstring bmp = folder.File(L"framed.bmp");
  WriteBmp(bmp, 16, 16, [](int x, int) { return x < 8 ? kYellow : kBlue; });
  const std::wstring ico = folder.File(L"half.ico");
  WriteIconFile(ico, false, 16, kRed, 8);
  const std::wstring cur = folder.File(L"half.cur");
  WriteIconFile(cur, true, 16, kLime, 8);

  ASSERT_TRUE(il.AddFromFile(bmp, ImageType::Bitmap, L"bmp", false, kMagenta));
  ASSERT_TRUE(il.AddFromFile(ico, ImageType::Icon, L"ico", false, kMagenta, ImageKey(L"bmp")));
  ASSERT_TRUE(il.AddFromFile(cur, ImageType::Cursor, L"cur"));
  EXPECT_EQ(il.ItemIndex(L"ico"), 0);
  EXPECT_EQ(ColourAt(0, 4, 8), kRed);
  EXPECT_EQ(ColourAt(0, 12, 8), kBackground);
  EXPECT_EQ(ColourAt(1, 4, 8), kYellow);
  EXPECT_EQ(ColourAt(1, 12, 8), kBlue);
  EXPECT_EQ(ColourAt(2, 4, 8), kLime);
  EXPECT_EQ(ColourAt(2, 12, 8), kBackground);
}

TEST_F(ImageListFileTest, AMissingFileOrWrongTypeAddsNothing) {
  const std::wstring ico = folder.File(L"icon.ico");
  WriteIconFile(ico, false, 16, kRed, 16);
  EXPECT_FALSE(il.AddFromFile(folder.File(L"none.bmp"), ImageType::Bitmap, L"k"));
  EXPECT_FALSE(il.AddFromFile(ico, ImageType::Bitmap, L"k"));
  EXPECT_EQ(il.ImageCount(), 0);
  EXPECT_FALSE(il.KeyExists(L"k"));
}

TEST_F(ImageListFileTest, MapSysColorsReplacesTheButtonGrey) {
  const std::wstring bmp = folder.File(L"grey.bmp");
  WriteIndexedBmp(bmp, 16, 16, {kMagenta, RGB(192, 192, 192)}, [](int x, int) { return x < 8 ? 1 : 0; });
  ASSERT_TRUE(il.AddFromFile(bmp, ImageType::Bitmap, L"plain", false, kMagenta));
  ASSERT_TRUE(il.AddFromFile(bmp, ImageType::Bitmap, L"mapped", true, kMagenta));
  EXPECT_EQ(ColourAt(0, 4, 8), RGB(192, 192, 192));
  EXPECT_EQ(ColourAt(1, 4, 8), GetSysColor(COLOR_3DFACE));
  EXPECT_EQ(ColourAt(1, 12, 8), kBackground);
}

TEST_F(ImageListTest, ABitmapNarrowerThanOneImageAddsNothing) {
  const BitmapHandle narrow = SolidBitmap(8, 16, kRed);
  EXPECT_FALSE(il.AddFromHandle(narrow.get(), ImageType::Bitmap, L"narrow", kMagenta));
  EXPECT_EQ(il.ImageCount(), 0);
  EXPECT_FALSE(il.KeyExists(L"narrow"));
}

TEST_F(ImageListTest, ResourcesWithoutAModuleAreTheSystemImages) {
  constexpr WORD kOemCloseBitmap = 32754;  // OBM_CLOSE, a strip of buttons
  constexpr WORD kOemWinLogoIcon = 32517;  // OIC_WINLOGO
  constexpr WORD kOemArrowCursor = 32512;  // OCR_NORMAL
  ASSERT_TRUE(il.AddFromResourceID(kOemWinLogoIcon, nullptr, ImageType::Icon, L"logo"));
  ASSERT_TRUE(il.AddFromResourceID(kOemArrowCursor, nullptr, ImageType::Cursor, L"arrow", false,
                                   kMagenta, ImageKey(L"logo")));
  ASSERT_TRUE(il.AddFromResourceID(kOemCloseBitmap, nullptr, ImageType::Bitmap, L"close"));
  EXPECT_FALSE(il.AddFromResourceID(1, nullptr, ImageType::Icon, L"none"));
  EXPECT_FALSE(il.KeyExists(L"none"));
  EXPECT_EQ(il.ItemIndex(L"arrow"), 0);
  EXPECT_EQ(il.ItemIndex(L"close"), 2);

  // Each image shows something over the background.
  for (int i = 0; i < il.ImageCount(); ++i) {
    Canvas canvas(16, 16, kBackground);
    ImageList_Draw(il.hIml(), i, canvas.dc(), 0, 0, ILD_TRANSPARENT);
    int drawn = 0;
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x) drawn += canvas.Pixel(x, y) != kBackground;
    EXPECT_GT(drawn, 16) << "image " << i;
  }
}

TEST_F(ImageListTest, PictureBoxCopiesAtMostSixteenPixelsSquare) {
  il.IconSizeX(32);
  il.IconSizeY(32);
  ASSERT_TRUE(il.Create());
  Canvas source(32, 32, kRed);
  EXPECT_EQ(il.AddFromPictureBox(source.dc(), {source.dc(), source.bitmap()}, L"box", 0, 0, kLime), 1);

  Canvas drawn(32, 32, kBackground);
  il.DrawImage(L"box", drawn.dc(), 0, 0);
  EXPECT_EQ(drawn.Pixel(15, 15), kRed);
  // The rest is the background colour, which is also the mask.
  EXPECT_EQ(drawn.Pixel(16, 5), kBackground);
  EXPECT_EQ(drawn.Pixel(5, 16), kBackground);
  EXPECT_EQ(drawn.Pixel(31, 31), kBackground);
}

TEST_F(ImageListTest, PictureBoxBlockStartsAtTheCornerAndEndsWithThePicture) {
  Canvas source(20, 20, kRed);
  const BrushHandle blue(CreateSolidBrush(kBlue));
  const RECT right{10, 0, 20, 20};
  FillRect(source.dc(), &right, blue.get());
  EXPECT_EQ(il.AddFromPictureBox(source.dc(), {source.dc(), source.bitmap()}, L"", 10, 12, kLime), 1);

  EXPECT_EQ(ColourAt(0, 0, 0), kBlue);
  EXPECT_EQ(ColourAt(0, 9, 7), kBlue);
  EXPECT_EQ(ColourAt(0, 10, 0), kBackground);
  EXPECT_EQ(ColourAt(0, 0, 8), kBackground);
}

TEST_F(ImageListTest, PictureBoxBackgroundComesFromTheBoxOrFallsBackToGrey) {
  constexpr COLORREF kGrey = RGB(192, 192, 192);
  Canvas box(4, 4, kYellow);
  Canvas source(16, 16, kRed);
  const RECT left{0, 0, 8, 16};
  const BrushHandle yellow(CreateSolidBrush(kYellow));
  FillRect(source.dc(), &left, yellow.get());
  EXPECT_EQ(il.AddFromPictureBox(source.dc(), {box.dc(), source.bitmap()}, L"box", 0, 0), 1);
  EXPECT_EQ(ColourAt(0, 4, 8), kBackground);
  EXPECT_EQ(ColourAt(0, 12, 8), kRed);

  const BrushHandle grey(CreateSolidBrush(kGrey));
  FillRect(source.dc(), &left, grey.get());
  constexpr OLE_COLOR kUntranslatable = 0x12345678;
  EXPECT_EQ(il.AddFromPictureBox(source.dc(), {box.dc(), source.bitmap()}, L"box", 0, 0, kUntranslatable), 2);
  EXPECT_EQ(il.ItemKey(2), L"");  // "box" is taken
  EXPECT_EQ(ColourAt(1, 4, 8), kBackground);
  EXPECT_EQ(ColourAt(1, 12, 8), kRed);

  il.Destroy();
  EXPECT_EQ(il.AddFromPictureBox(source.dc(), {box.dc(), source.bitmap()}, L"k", 0, 0), 0);
}

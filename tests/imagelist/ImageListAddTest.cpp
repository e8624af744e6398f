#include "ImageListFixture.h"

using namespace test;

TEST_F(ImageListTest, BitmapMaskDefaultsToTheTopLeftPixel) {
  const auto framed = [](int x, int y) { return x < 4 || y < 4 ? kWhite : kRed; };
  const BitmapHandle first = MakeBitmap(16, 16, framed);
  const BitmapHandle second = MakeBitmap(16, 16, framed);
  ASSERT_TRUE(il.AddFromHandle(first.get(), ImageType::Bitmap, L"auto"));
  ASSERT_TRUE(il.AddFromHandle(second.get(), ImageType::Bitmap, L"given", kMagenta));
  EXPECT_EQ(ColourAt(0, 1, 1), kBackground);
  EXPECT_EQ(ColourAt(0, 8, 8), kRed);
  EXPECT_EQ(ColourAt(1, 1, 1), kWhite);
}

TEST_F(ImageListTest, FilesLoadBitmapsIconsAndCursors) {
  wchar_t folder[MAX_PATH];
  GetTempPathW(MAX_PATH, folder);
  const std::wstring bmp = std::wstring(folder) + L"lumora-il.bmp";
  const std::wstring ico = std::wstring(folder) + L"lumora-il.ico";
  const std::wstring cur = std::wstring(folder) + L"lumora-il.cur";
  WriteBmp(bmp, 16, 16, [](int x, int) { return x < 8 ? kYellow : kBlue; });
  WriteIconFile(ico, false, 16, kRed, 8);
  WriteIconFile(cur, true, 16, kLime, 8);

  EXPECT_TRUE(il.AddFromFile(bmp, ImageType::Bitmap, L"bmp", false, kMagenta));
  EXPECT_TRUE(il.AddFromFile(ico, ImageType::Icon, L"ico", false, kMagenta, ImageKey(L"bmp")));
  EXPECT_TRUE(il.AddFromFile(cur, ImageType::Cursor, L"cur"));
  EXPECT_FALSE(il.AddFromFile(ico, ImageType::Bitmap, L"wrong type"));
  EXPECT_FALSE(il.AddFromFile(std::wstring(folder) + L"lumora-il-none.bmp", ImageType::Bitmap, L"none"));
  for (const std::wstring& file : {bmp, ico, cur}) DeleteFileW(file.c_str());

  EXPECT_EQ(il.ItemIndex(L"ico"), 0);
  EXPECT_EQ(il.ImageCount(), 3);
  EXPECT_EQ(ColourAt(0, 4, 8), kRed);
  EXPECT_EQ(ColourAt(0, 12, 8), kBackground);
  EXPECT_EQ(ColourAt(1, 4, 8), kYellow);
  EXPECT_EQ(ColourAt(1, 12, 8), kBlue);
  EXPECT_EQ(ColourAt(2, 4, 8), kLime);
  EXPECT_EQ(ColourAt(2, 12, 8), kBackground);
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
  EXPECT_EQ(il.ItemIndex(L"arrow"), 0);
  EXPECT_EQ(il.ItemIndex(L"close"), 2);
}

TEST_F(ImageListTest, PictureBoxCopiesAtMostSixteenPixelsSquare) {
  il.IconSizeX(32);
  il.IconSizeY(32);
  ASSERT_TRUE(il.Create());
  Canvas source(40, 40, kRed);
  EXPECT_EQ(il.AddFromPictureBox(source.dc(), {source.dc(), source.bitmap()}, L"a", 0, 0, kLime), 1);
  // The rest is the background colour, which is also the mask.
  EXPECT_EQ(ColourAt(0, 15, 15), kRed);
  EXPECT_EQ(ColourAt(0, 16, 5), kBackground);
  EXPECT_EQ(ColourAt(0, 5, 16), kBackground);

  // The block starts at the corner given and ends with the picture.
  const BrushHandle blue(CreateSolidBrush(kBlue));
  const RECT right{30, 0, 40, 40};
  FillRect(source.dc(), &right, blue.get());
  EXPECT_EQ(il.AddFromPictureBox(source.dc(), {source.dc(), source.bitmap()}, L"b", 30, 32, kLime), 2);
  EXPECT_EQ(ColourAt(1, 9, 7), kBlue);
  EXPECT_EQ(ColourAt(1, 10, 0), kBackground);
  EXPECT_EQ(ColourAt(1, 0, 8), kBackground);

  il.Destroy();
  EXPECT_EQ(il.AddFromPictureBox(source.dc(), {source.dc(), source.bitmap()}, L"c", 0, 0), 0);
}

TEST_F(ImageListTest, PictureBoxBackgroundComesFromTheBoxOrFallsBackToGrey) {
  Canvas box(4, 4, kYellow);
  Canvas source(16, 16, kRed);
  const RECT left{0, 0, 8, 16};
  const BrushHandle yellow(CreateSolidBrush(kYellow));
  FillRect(source.dc(), &left, yellow.get());
  EXPECT_EQ(il.AddFromPictureBox(source.dc(), {box.dc(), source.bitmap()}, L"box", 0, 0), 1);
  EXPECT_EQ(ColourAt(0, 4, 8), kBackground);
  EXPECT_EQ(ColourAt(0, 12, 8), kRed);

  const BrushHandle grey(CreateSolidBrush(RGB(192, 192, 192)));
  FillRect(source.dc(), &left, grey.get());
  constexpr OLE_COLOR kUntranslatable = 0x12345678;
  EXPECT_EQ(il.AddFromPictureBox(source.dc(), {box.dc(), source.bitmap()}, L"box", 0, 0, kUntranslatable), 2);
  EXPECT_EQ(il.ItemKey(2), L"");  // "box" is taken
  EXPECT_EQ(ColourAt(1, 4, 8), kBackground);
  EXPECT_EQ(ColourAt(1, 12, 8), kRed);
}

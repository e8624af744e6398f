#include <olectl.h>

#include "ImageListFixture.h"

using namespace test;

constexpr OLE_COLOR kUntranslatable = 0x12345678;

// The handle a picture wraps, after checking the picture's type.
template <class Handle>
Handle HandleOf(const PicturePtr& picture, SHORT expectedType) {
  SHORT type = 0;
  picture->get_Type(&type);
  EXPECT_EQ(type, expectedType);
  OLE_HANDLE handle = 0;
  picture->get_Handle(&handle);
  return reinterpret_cast<Handle>(static_cast<UINT_PTR>(handle));
}

// The own list holds a red square; the other list's image 1 is the left half
// of a blue one.
class ImageListDrawTest : public ImageListTest {
 protected:
  void SetUp() override {
    ImageListTest::SetUp();
    ASSERT_TRUE(Add(kRed, L"red"));
    other.ColourDepth(ImageColourDepth::Bits24);
    ASSERT_TRUE(other.Create());
    const BitmapHandle half = MakeBitmap(16, 16, [](int x, int) { return x < 8 ? kBlue : kMagenta; });
    ASSERT_TRUE(other.AddFromHandle(half.get(), ImageType::Bitmap, L"half", kMagenta));
  }

  std::vector<COLORREF> Draw(const ImageDrawLook& look, HIMAGELIST external = nullptr) const {
    Canvas canvas(20, 20, kBackground);
    il.DrawImage(L"red", canvas.dc(), 2, 3, look, external);
    return canvas.All();
  }

  cImageList other;
};

TEST_F(ImageListDrawTest, NormalDrawingUsesTheExternalListAtTheSamePosition) {
  Canvas canvas(20, 20, kBackground);
  il.DrawImage(1, canvas.dc(), 2, 3);
  EXPECT_EQ(canvas.Pixel(2, 3), kRed);
  EXPECT_EQ(canvas.Pixel(17, 18), kRed);
  EXPECT_EQ(canvas.Pixel(1, 3), kBackground);
  EXPECT_EQ(canvas.Pixel(18, 18), kBackground);

  il.DrawImage(L"red", canvas.dc(), 2, 3, {}, other.hIml());
  EXPECT_EQ(canvas.Pixel(4, 8), kBlue);
  EXPECT_EQ(canvas.Pixel(14, 8), kRed);  // transparent in the other image
}

TEST_F(ImageListDrawTest, CutBlendsWithTheDitherColourOrTheWindowColourAndWinsOverDisabled) {
  const auto cutBlue = Draw({.cut = true, .cutDitherColour = kBlue});
  const auto cutWindow = Draw({.cut = true, .cutDitherColour = 0x80000000 | COLOR_WINDOW});
  ASSERT_NE(GetSysColor(COLOR_WINDOW), kBlue);
  EXPECT_NE(cutBlue, Draw({}));
  EXPECT_NE(cutBlue, cutWindow);
  EXPECT_EQ(cutBlue[0], kBackground);  // still transparent outside the image
  EXPECT_EQ(Draw({.cut = true, .cutDitherColour = kUntranslatable}), cutWindow);
  EXPECT_EQ(Draw({.cut = true, .disabled = true, .cutDitherColour = kBlue}), cutBlue);
}

TEST_F(ImageListDrawTest, DisabledDrawsThisListsImageEvenWithAnExternalList) {
  const auto disabled = Draw({.disabled = true});
  EXPECT_NE(disabled, Draw({}));
  EXPECT_EQ(Draw({.disabled = true}, other.hIml()), disabled);
  Canvas half(20, 20, kBackground);
  other.DrawImage(1, half.dc(), 2, 3, {.disabled = true});
  EXPECT_NE(half.All(), disabled);
}

TEST_F(ImageListDrawTest, ItemIconsAndPicturesCopyTheImageWithItsMask) {
  const BitmapHandle half = MakeBitmap(16, 16, [](int x, int) { return x < 8 ? kLime : kMagenta; });
  ASSERT_TRUE(il.AddFromHandle(half.get(), ImageType::Bitmap, L"half", kMagenta));

  const IconHandle icon = il.ItemCopyOfIcon(L"half");
  ASSERT_TRUE(icon);
  Canvas fromIcon(16, 16, kBackground);
  DrawIconEx(fromIcon.dc(), 0, 0, icon.get(), 16, 16, 0, nullptr, DI_NORMAL);
  EXPECT_EQ(fromIcon.Pixel(4, 8), kLime);
  EXPECT_EQ(fromIcon.Pixel(12, 8), kBackground);

  const PicturePtr picture = il.ItemPicture(2);
  ASSERT_TRUE(picture);
  Canvas fromPicture(16, 16, kBackground);
  DrawIconEx(fromPicture.dc(), 0, 0, HandleOf<HICON>(picture, PICTYPE_ICON), 16, 16, 0, nullptr, DI_NORMAL);
  EXPECT_EQ(fromPicture.All(), fromIcon.All());

  EXPECT_THROW(il.ItemPicture(L"none"), cImageListError);
  EXPECT_THROW(il.ItemCopyOfIcon(3), cImageListError);
}

class ImageListStripTest : public ImageListTest {
 protected:
  void SetUp() override {
    ImageListTest::SetUp();
    screen_ = GetDC(nullptr);
    il.OwnerHDC(screen_);
  }
  void TearDown() override { ReleaseDC(nullptr, screen_); }

 private:
  HDC screen_ = nullptr;
};

TEST_F(ImageListStripTest, WholeListGivesEveryImageInItsCellAndOneImageNone) {
  ASSERT_TRUE(Add(kRed, L"a"));
  EXPECT_FALSE(il.ImagePictureStrip());
  ASSERT_TRUE(Add(kLime, L"b"));
  const BitmapHandle half = MakeBitmap(16, 16, [](int x, int) { return x < 8 ? kBlue : kMagenta; });
  ASSERT_TRUE(il.AddFromHandle(half.get(), ImageType::Bitmap, L"c", kMagenta));

  const PicturePtr strip = il.ImagePictureStrip(std::nullopt, std::nullopt, kYellow);
  ASSERT_TRUE(strip);
  const Pixels pixels(HandleOf<HBITMAP>(strip, PICTYPE_BITMAP));
  EXPECT_EQ(pixels.width, 48);
  EXPECT_EQ(pixels.height, 16);
  EXPECT_EQ(pixels.at(0, 0), kRed);
  EXPECT_EQ(pixels.at(15, 15), kRed);
  EXPECT_EQ(pixels.at(16, 0), kLime);
  EXPECT_EQ(pixels.at(32, 8), kBlue);
  EXPECT_EQ(pixels.at(44, 8), kYellow);  // masked part shows the back colour
}

TEST_F(ImageListStripTest, ARangeLeavesTheOtherCellsInTheBackColour) {
  for (auto [colour, key] : {std::pair{kRed, L"a"}, {kLime, L"b"}, {kBlue, L"c"}, {kWhite, L"d"}}) {
    ASSERT_TRUE(Add(colour, key));
  }
  const PicturePtr strip = il.ImagePictureStrip(ImageKey(2), ImageKey(L"3"), kYellow);
  ASSERT_TRUE(strip);
  const Pixels pixels(HandleOf<HBITMAP>(strip, PICTYPE_BITMAP));
  EXPECT_EQ(pixels.width, 64);
  EXPECT_EQ(pixels.height, 16);
  EXPECT_EQ(pixels.at(8, 8), kYellow);
  EXPECT_EQ(pixels.at(24, 8), kLime);
  EXPECT_EQ(pixels.at(40, 8), kBlue);
  EXPECT_EQ(pixels.at(56, 8), kYellow);

  EXPECT_FALSE(il.ImagePictureStrip(ImageKey(3), ImageKey(3), kYellow));
  EXPECT_FALSE(il.ImagePictureStrip(ImageKey(L"d"), ImageKey(L"a"), kYellow));
  EXPECT_THROW(il.ImagePictureStrip(ImageKey(L"none")), cImageListError);
}

TEST(PictureConversion, ThePictureOwnsItsHandleAndNullGivesNone) {
  EXPECT_FALSE(cImageList::IconToPicture(nullptr));
  EXPECT_FALSE(cImageList::BitmapToPicture(nullptr));
  BitmapHandle bitmap = SolidBitmap(4, 4, kRed);
  PicturePtr picture = cImageList::BitmapToPicture(bitmap.get());
  ASSERT_TRUE(picture);
  const HBITMAP handle = bitmap.release();
  BITMAP header{};
  EXPECT_NE(GetObjectW(handle, sizeof(header), &header), 0);
  picture.reset();
  EXPECT_EQ(GetObjectW(handle, sizeof(header), &header), 0);
}


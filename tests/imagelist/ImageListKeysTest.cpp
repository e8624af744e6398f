#include "ImageListFixture.h"

using namespace test;
using KeyList = std::vector<std::wstring>;
using ColourList = std::vector<COLORREF>;

namespace {

template <class Body>
void ExpectErrorNine(Body body) {
  try {
    body();
    ADD_FAILURE() << "no cImageListError";
  } catch (const cImageListError& error) {
    EXPECT_EQ(error.Number(), 9);
    EXPECT_EQ(error.Source(), L"imagelist_tests.zeltImageList");
  }
}

}  // namespace

TEST_F(ImageListTest, NumericTextIsAPositionAndTheFirstKeyIsIndexZero) {
  ASSERT_TRUE(Add(kRed, L"first"));
  ASSERT_TRUE(Add(kLime, L"b"));
  ASSERT_TRUE(Add(kBlue, L"1"));
  EXPECT_EQ(il.ItemIndex(L"first"), 0);
  EXPECT_EQ(il.ItemIndex(L"1"), 0);  // never looked up as a key
  EXPECT_EQ(il.ItemIndex(3), 2);
  il.ItemKey(1, L"renamed");
  EXPECT_EQ(il.ItemKey(1), L"renamed");
  EXPECT_FALSE(il.KeyExists(L"first"));
  EXPECT_FALSE(il.KeyExists(L"B"));  // case counts
}

TEST_F(ImageListTest, BadKeysAndPositionsRaiseErrorNineBeforeChangingAnything) {
  ASSERT_TRUE(Add(kRed, L"k1"));
  ASSERT_TRUE(Add(kLime, L"k2"));
  ExpectErrorNine([&] { il.ItemIndex(L"missing"); });
  ExpectErrorNine([&] { il.ItemIndex(0); });
  ExpectErrorNine([&] { il.ItemKey(3); });
  ExpectErrorNine([&] { il.ItemKey(0, L"x"); });
  ExpectErrorNine([&] { il.RemoveImage(L"3"); });
  ExpectErrorNine([&] { il.SwapOrCopyImage(L"k1", L"missing", ImageCopyMode::Swap); });
  ExpectErrorNine([&] { Add(kBlue, L"k3", ImageKey(L"missing")); });
  EXPECT_EQ(Colours(), (ColourList{kRed, kLime}));
  EXPECT_EQ(Keys(), (KeyList{L"k1", L"k2"}));
}

TEST_F(ImageListTest, DuplicateKeysAreRefusedAndBlankKeysNameNoImage) {
  ASSERT_TRUE(Add(kRed, L"k"));
  ASSERT_TRUE(Add(kLime, L"k"));
  ASSERT_TRUE(Add(kBlue, L"  "));
  il.ItemKey(3, L"k");
  EXPECT_EQ(Keys(), (KeyList{L"k", L"", L"  "}));
  EXPECT_EQ(il.ItemIndex(L"k"), 0);
  EXPECT_FALSE(il.KeyExists(L""));
  EXPECT_FALSE(il.KeyExists(L"  "));
  ExpectErrorNine([&] { il.ItemIndex(L""); });
}

TEST_F(ImageListTest, InsertingTakesTheNamedPlaceAndShiftsTheRestWithTheirKeys) {
  ASSERT_TRUE(Add(kRed, L"k1", ImageKey(L"nowhere")));  // an empty list looks nothing up
  ASSERT_TRUE(Add(kLime, L"k2", ImageKey(0)));          // 0 appends
  ASSERT_TRUE(Add(kBlue, L"k3", ImageKey(L"0")));
  EXPECT_EQ(Colours(), (ColourList{kRed, kLime, kBlue}));
  ASSERT_TRUE(Add(kYellow, L"new", ImageKey(L"k1")));
  EXPECT_EQ(Colours(), (ColourList{kYellow, kRed, kLime, kBlue}));
  EXPECT_EQ(Keys(), (KeyList{L"new", L"k1", L"k2", L"k3"}));

  // A wide bitmap adds several images; they keep their order.
  const BitmapHandle strip = MakeBitmap(32, 16, [](int x, int) { return x < 16 ? kWhite : kMagenta; });
  ASSERT_TRUE(il.AddFromHandle(strip.get(), ImageType::Bitmap, L"w", kMagenta, ImageKey(4)));
  EXPECT_EQ(Colours(), (ColourList{kYellow, kRed, kLime, kWhite, kBackground, kBlue}));
  EXPECT_EQ(Keys(), (KeyList{L"new", L"k1", L"k2", L"w", L"", L"k3"}));
}

TEST_F(ImageListTest, RemovingShiftsKeysAndTheLastImageLeavesNoKeys) {
  ASSERT_TRUE(Add(kRed, L"k1"));
  ASSERT_TRUE(Add(kLime, L"k2"));
  ASSERT_TRUE(Add(kBlue, L"k3"));
  il.RemoveImage(L"k2");
  EXPECT_EQ(Colours(), (ColourList{kRed, kBlue}));
  EXPECT_EQ(Keys(), (KeyList{L"k1", L"k3"}));
  il.RemoveImage(2);
  il.RemoveImage(L"k1");
  EXPECT_EQ(il.ImageCount(), 0);
  for (const wchar_t* key : {L"k1", L"k2", L"k3"}) EXPECT_FALSE(il.KeyExists(key)) << key;
}

TEST_F(ImageListTest, SwapExchangesImagesAndMoveCopiesTheDestination) {
  ASSERT_TRUE(Add(kRed, L"k1"));
  ASSERT_TRUE(Add(kLime, L"k2"));
  const BitmapHandle partBlue = MakeBitmap(16, 16, [](int x, int) { return x < 12 ? kBlue : kMagenta; });
  ASSERT_TRUE(il.AddFromHandle(partBlue.get(), ImageType::Bitmap, L"k3", kMagenta));

  il.SwapOrCopyImage(L"k1", L"k3", ImageCopyMode::Swap);
  EXPECT_EQ(Colours(), (ColourList{kBlue, kLime, kRed}));
  EXPECT_EQ(ColourAt(0, 14, 8), kBackground);  // the mask moves with the image
  EXPECT_EQ(ColourAt(2, 14, 8), kRed);
  EXPECT_EQ(Keys(), (KeyList{L"k3", L"k2", L"k1"}));

  il.SwapOrCopyImage(L"k2", L"k1", ImageCopyMode::Move);
  EXPECT_EQ(Colours(), (ColourList{kBlue, kRed, kRed}));
  EXPECT_EQ(Keys(), (KeyList{L"k3", L"k1", L"k2"}));
}

TEST_F(ImageListTest, FailedAddsStoreNoKey) {
  const BitmapHandle bitmap = SolidBitmap(16, 16, kLime);
  const BitmapHandle narrow = SolidBitmap(8, 16, kLime);
  EXPECT_FALSE(il.AddFromHandle(bitmap.get(), static_cast<ImageType>(7), L"k"));
  EXPECT_FALSE(il.AddFromHandle(nullptr, ImageType::Bitmap, L"k"));
  EXPECT_FALSE(il.AddFromHandle(narrow.get(), ImageType::Bitmap, L"k"));
  il.Destroy();
  EXPECT_FALSE(il.AddFromHandle(bitmap.get(), ImageType::Bitmap, L"k"));
  il.RemoveImage(L"k");  // without a list: quietly nothing
  ASSERT_TRUE(il.Create());
  EXPECT_EQ(il.ImageCount(), 0);
  EXPECT_FALSE(il.KeyExists(L"k"));
}

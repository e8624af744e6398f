#include "ImageListFixture.h"

using namespace test;
using KeyList = std::vector<std::wstring>;
using ColourList = std::vector<COLORREF>;

namespace {

// Runs body and returns the error it raised.
template <class Body>
cImageListError ErrorOf(Body body) {
  try {
    body();
  } catch (const cImageListError& error) {
    return error;
  }
  ADD_FAILURE() << "no cImageListError";
  return cImageListError();
}

}  // namespace

TEST_F(ImageListTest, NumericTextIsAPositionNeverAKey) {
  ASSERT_TRUE(Add(kRed, L"3"));
  ASSERT_TRUE(Add(kLime, L"b"));
  ASSERT_TRUE(Add(kBlue, L"c"));
  EXPECT_EQ(il.ItemIndex(L"3"), 2);
  EXPECT_EQ(il.ItemIndex(L" 1 "), 0);
  EXPECT_EQ(il.ItemIndex(2), 1);
  EXPECT_EQ(il.ItemIndex(L"c"), 2);
}

TEST_F(ImageListTest, FirstImageKeyGivesIndexZeroAndCanBeRenamed) {
  ASSERT_TRUE(Add(kRed, L"k1"));
  ASSERT_TRUE(Add(kLime, L"k2"));
  EXPECT_EQ(il.ItemIndex(L"k1"), 0);
  EXPECT_EQ(il.ItemKey(1), L"k1");
  il.ItemKey(1, L"first");
  EXPECT_EQ(il.ItemIndex(L"first"), 0);
  EXPECT_FALSE(il.KeyExists(L"k1"));
  EXPECT_FALSE(il.KeyExists(L"K2"));  // keys compare case-sensitively
}

TEST_F(ImageListTest, BadKeysAndPositionsRaiseErrorNineAndChangeNothing) {
  ASSERT_TRUE(Add(kRed, L"k1"));
  ASSERT_TRUE(Add(kLime, L"k2"));

  const cImageListError error = ErrorOf([&] { il.ItemIndex(L"missing"); });
  EXPECT_EQ(error.Number(), 9);
  EXPECT_EQ(error.Source(), L"imagelist_tests.zeltImageList");

  ErrorOf([&] { il.ItemIndex(0); });
  ErrorOf([&] { il.ItemIndex(L"3"); });
  ErrorOf([&] { il.ItemKey(0); });
  ErrorOf([&] { il.ItemKey(3, L"x"); });
  ErrorOf([&] { il.RemoveImage(L"missing"); });
  ErrorOf([&] { il.SwapOrCopyImage(L"k1", 3, ImageCopyMode::Swap); });
  ErrorOf([&] { Add(kBlue, L"k3", ImageKey(L"missing")); });
  EXPECT_EQ(Colours(), (ColourList{kRed, kLime}));
  EXPECT_EQ(Keys(), (KeyList{L"k1", L"k2"}));
}

TEST_F(ImageListTest, BlankKeysNameNoImage) {
  ASSERT_TRUE(Add(kRed, L""));
  ASSERT_TRUE(Add(kLime, L"  "));
  ASSERT_TRUE(Add(kBlue, L"  "));  // blanks are never duplicates
  EXPECT_EQ(Keys(), (KeyList{L"", L"  ", L"  "}));
  EXPECT_FALSE(il.KeyExists(L""));
  EXPECT_FALSE(il.KeyExists(L"  "));
  ErrorOf([&] { il.ItemIndex(L""); });
}

TEST_F(ImageListTest, DuplicateKeyLeavesTheNewImageKeyless) {
  ASSERT_TRUE(Add(kRed, L"k"));
  ASSERT_TRUE(Add(kLime, L"k"));
  EXPECT_EQ(il.ImageCount(), 2);
  EXPECT_EQ(Keys(), (KeyList{L"k", L""}));
  EXPECT_EQ(il.ItemIndex(L"k"), 0);

  il.ItemKey(2, L"k");  // refused on write as well
  EXPECT_EQ(Keys(), (KeyList{L"k", L""}));
  il.ItemKey(1, L"k");  // an image may restate its own key
  EXPECT_EQ(il.ItemKey(1), L"k");
}

TEST_F(ImageListTest, KeyAfterZeroOrAnEmptyListAppends) {
  ASSERT_TRUE(Add(kRed, L"a", ImageKey(L"nowhere")));  // empty list: not looked up
  ASSERT_TRUE(Add(kLime, L"b", ImageKey(0)));
  ASSERT_TRUE(Add(kBlue, L"c", ImageKey(L"0")));
  EXPECT_EQ(Colours(), (ColourList{kRed, kLime, kBlue}));
  EXPECT_EQ(Keys(), (KeyList{L"a", L"b", L"c"}));
}

TEST_F(ImageListTest, InsertingAtTheFirstImageShiftsAllOthersWithTheirKeys) {
  ASSERT_TRUE(Add(kRed, L"k1"));
  ASSERT_TRUE(Add(kLime, L"k2"));
  ASSERT_TRUE(Add(kBlue, L"k3"));

  ASSERT_TRUE(Add(kYellow, L"new", ImageKey(L"k1")));
  EXPECT_EQ(Colours(), (ColourList{kYellow, kRed, kLime, kBlue}));
  EXPECT_EQ(Keys(), (KeyList{L"new", L"k1", L"k2", L"k3"}));

  ASSERT_TRUE(Add(kWhite, L"one", ImageKey(1)));
  EXPECT_EQ(Colours(), (ColourList{kWhite, kYellow, kRed, kLime, kBlue}));
  EXPECT_EQ(il.ItemIndex(L"k3"), 4);
}

TEST_F(ImageListTest, AWideBitmapInsertsAllItsImagesInOrder) {
  ASSERT_TRUE(Add(kRed, L"k1"));
  ASSERT_TRUE(Add(kLime, L"k2"));
  const BitmapHandle strip = MakeBitmap(48, 16, [](int x, int) {
    return x < 16 ? kBlue : x < 32 ? kYellow : kWhite;
  });
  ASSERT_TRUE(il.AddFromHandle(strip.get(), ImageType::Bitmap, L"w", kMagenta, ImageKey(L"k2")));
  EXPECT_EQ(Colours(), (ColourList{kRed, kBlue, kYellow, kWhite, kLime}));
  EXPECT_EQ(Keys(), (KeyList{L"k1", L"w", L"", L"", L"k2"}));
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
  ErrorOf([&] { il.ItemIndex(L"k1"); });
  ASSERT_TRUE(Add(kRed, L"k1"));  // the old key is free again
  EXPECT_EQ(il.ItemIndex(L"k1"), 0);
}

TEST_F(ImageListTest, SwapExchangesImagesAndMoveCopiesTheDestination) {
  ASSERT_TRUE(Add(kRed, L"k1"));
  ASSERT_TRUE(Add(kLime, L"k2"));
  const BitmapHandle partBlue =
      MakeBitmap(16, 16, [](int x, int) { return x < 12 ? kBlue : kMagenta; });
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

TEST_F(ImageListTest, WithoutAListNothingIsAddedOrChanged) {
  il.Destroy();
  const BitmapHandle bitmap = SolidBitmap(16, 16, kRed);
  EXPECT_EQ(il.hIml(), nullptr);
  EXPECT_FALSE(il.AddFromHandle(bitmap.get(), ImageType::Bitmap, L"k"));
  EXPECT_FALSE(il.AddFromResourceID(32512, nullptr, ImageType::Icon, L"k"));
  EXPECT_EQ(il.ImageCount(), 0);
  EXPECT_FALSE(il.KeyExists(L"k"));
  il.RemoveImage(L"k");  // quietly nothing
  il.SwapOrCopyImage(1, 2, ImageCopyMode::Swap);
  EXPECT_EQ(il.ImagePictureStrip(), nullptr);
}

TEST_F(ImageListTest, UnknownTypeOrNoHandleAddsNothingAndStoresNoKey) {
  ASSERT_TRUE(Add(kRed, L"k1"));
  const BitmapHandle bitmap = SolidBitmap(16, 16, kLime);
  EXPECT_FALSE(il.AddFromHandle(bitmap.get(), static_cast<ImageType>(7), L"k2"));
  EXPECT_FALSE(il.AddFromHandle(nullptr, ImageType::Bitmap, L"k2"));
  EXPECT_EQ(Keys(), (KeyList{L"k1"}));
  EXPECT_FALSE(il.KeyExists(L"k2"));
}

TEST_F(ImageListTest, CreateAndClearStartEmptyWithTheCurrentSizes) {
  ASSERT_TRUE(Add(kRed, L"k1"));
  il.IconSizeX(24);
  il.IconSizeY(20);
  int cx = 0, cy = 0;
  ImageList_GetIconSize(il.hIml(), &cx, &cy);
  EXPECT_EQ(cx, 16);  // the existing list keeps its size
  il.Clear();
  ImageList_GetIconSize(il.hIml(), &cx, &cy);
  EXPECT_EQ(cx, 24);
  EXPECT_EQ(cy, 20);
  EXPECT_EQ(il.ImageCount(), 0);
  EXPECT_FALSE(il.KeyExists(L"k1"));
}

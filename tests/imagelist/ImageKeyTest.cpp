#include <gtest/gtest.h>

#include "ImageListKeys.h"

TEST(ImageKey, NumbersAndNumericTextArePositions) {
  EXPECT_EQ(ImageKey(3).Position(), 3);
  EXPECT_EQ(ImageKey(L"3").Position(), 3);
  EXPECT_EQ(ImageKey(L" +2 ").Position(), 2);
  EXPECT_EQ(ImageKey(L"4.0").Position(), 4);
  EXPECT_EQ(ImageKey(L"1e1").Position(), 10);
  EXPECT_EQ(ImageKey(L".5e1").Position(), 5);
  EXPECT_EQ(ImageKey(L"-1").Position(), -1);
  EXPECT_TRUE(ImageKey(L"3").IsPosition());
  EXPECT_TRUE(ImageKey(L"3").Name().empty());
}

TEST(ImageKey, FractionsRoundHalvesToEven) {
  EXPECT_EQ(ImageKey(2.5).Position(), 2);
  EXPECT_EQ(ImageKey(3.5).Position(), 4);
  EXPECT_EQ(ImageKey(L"1.6").Position(), 2);
}

TEST(ImageKey, NumbersBeyondThirtyTwoBitsNameNoPosition) {
  EXPECT_EQ(ImageKey(1e12).Position(), 0);
  EXPECT_EQ(ImageKey(L"99999999999").Position(), 0);
}

TEST(ImageKey, OtherTextIsAKey) {
  for (const wchar_t* text : {L"k1", L"3a", L"", L"  ", L"inf", L"nan", L"0x10", L"1e", L".", L"+", L"1 2"}) {
    const ImageKey key(text);
    EXPECT_FALSE(key.IsPosition()) << text;
    EXPECT_EQ(key.Name(), text);
  }
  EXPECT_EQ(ImageKey(static_cast<const wchar_t*>(nullptr)).Name(), L"");
}

TEST(ImageKey, BlankKeysAreEmptyOrSpaces) {
  EXPECT_TRUE(IsBlankKey(L""));
  EXPECT_TRUE(IsBlankKey(L"   "));
  EXPECT_FALSE(IsBlankKey(L" a "));
}

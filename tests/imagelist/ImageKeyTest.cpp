#include <gtest/gtest.h>

#include "ImageListKeys.h"

TEST(ImageKey, NumbersAndDecimalTextArePositionsRoundedHalfToEven) {
  for (auto [text, position] : {std::pair{L"3", 3}, {L" +2 ", 2}, {L"4.0", 4}, {L"1e1", 10},
                                {L".5e1", 5}, {L"-1", -1}, {L"2.5", 2}, {L"3.5", 4}, {L"99999999999", 0}}) {
    const ImageKey key(text);
    EXPECT_TRUE(key.IsPosition()) << text;
    EXPECT_EQ(key.Position(), position) << text;
  }
  EXPECT_EQ(ImageKey(2.5).Position(), 2);
  EXPECT_EQ(ImageKey(1e12).Position(), 0);  // beyond 32 bits: no image's position
}

TEST(ImageKey, OtherTextIsAKey) {
  for (const wchar_t* text : {L"k1", L"3a", L"", L"  ", L"inf", L"nan", L"0x10", L"1e", L".", L"1 2"}) {
    const ImageKey key(text);
    EXPECT_FALSE(key.IsPosition()) << text;
    EXPECT_EQ(key.Name(), text);
  }
}

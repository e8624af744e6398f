#include "RowColours.h"

#include <gtest/gtest.h>

namespace {

bool IsSystemColour(COLORREF colour) { return (colour & 0x80000000u) != 0; }

TEST(RowColours, NewGreenClosedRedAndOnlySchemeColoursInHighContrast) {
  EXPECT_FALSE(PaintFor(RowAge::Steady, false).custom);
  EXPECT_FALSE(PaintFor(RowAge::Steady, true).custom);

  const RowPaint added = PaintFor(RowAge::New, false);
  const RowPaint closed = PaintFor(RowAge::Closed, false);
  ASSERT_TRUE(added.custom && closed.custom);
  EXPECT_GT(GetGValue(added.back), GetRValue(added.back));
  EXPECT_GT(GetRValue(closed.back), GetGValue(closed.back));

  for (RowAge age : {RowAge::New, RowAge::Closed}) {
    const RowPaint paint = PaintFor(age, true);
    EXPECT_TRUE(paint.custom);
    EXPECT_TRUE(IsSystemColour(paint.back) && IsSystemColour(paint.fore));
  }
  EXPECT_NE(PaintFor(RowAge::New, true).fore, PaintFor(RowAge::Closed, true).fore);
}

}  // namespace

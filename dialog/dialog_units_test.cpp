// dialog_units_test.cpp - dialog units to pixels.
#include "dialog/dialog_units.h"

#include <gtest/gtest.h>

TEST(DialogUnits, AverageWidthAndPixelsRoundToNearestAndRectanglesKeepTheirEdges) {
    // 52 letters: 312 px is exactly 6 a letter; 338 px is 6.5 and rounds up; 337 rounds down.
    EXPECT_EQ(BaseUnitsFromAlphabetWidth(338, 13).cx, 7);
    EXPECT_EQ(BaseUnitsFromAlphabetWidth(337, 13).cx, 6);
    EXPECT_EQ(BaseUnitsFromAlphabetWidth(312, 13).cy, 13);
    const DialogBaseUnits base{6, 13};
    EXPECT_EQ(HorizontalDluToPixels(345, base), 518);  // 517.5 rounds up
    EXPECT_EQ(VerticalDluToPixels(278, base), 452);    // 451.75
    // Two controls that meet in dialog units meet in pixels, whatever the rounding of each size.
    const PixelRect left = DluRectToPixels(1, 1, 3, 3, base);
    const PixelRect right = DluRectToPixels(4, 1, 3, 3, base);
    EXPECT_EQ(left.x + left.width, right.x);
    EXPECT_EQ(left.x, 2);  // 1.5
}

#include "core/selection/SelectionPainter.h"

#include <gtest/gtest.h>

TEST(SelectionPainter, sizeText_roundsHalvesAwayFromZero) {
    EXPECT_EQ(selection::sizeText({412.4, 305.5}), QStringLiteral("412 × 306"));
    EXPECT_EQ(selection::sizeText({0.5, 20}), QStringLiteral("1 × 20"));
}

TEST(SelectionPainter, labelRect_sitsInsideAtTheBottomOrAboveWhenTooLow) {
    const QRectF bounds(0, 0, 1440, 900);
    const QSizeF box(80, 22);
    // Inside, 6 from the bottom and left edges.
    EXPECT_EQ(selection::labelRect({100, 200, 400, 300}, box, bounds),
              QRectF(106, 200 + 300 - 6 - 22, 80, 22));
    // A 500 × 10 selection: above its top edge.
    EXPECT_EQ(selection::labelRect({100, 200, 500, 10}, box, bounds),
              QRectF(106, 200 - 6 - 22, 80, 22));
    // Near the right side: pushed left so the box ends 6 inside the screen.
    EXPECT_EQ(selection::labelRect({1400, 200, 40, 300}, box, bounds).right(), 1440 - 6);
}

#include "capture/RegionGeometry.h"

#include <gtest/gtest.h>

using namespace regiongeometry;

TEST(RegionGeometry, selectionOnASecondScreenFlipsAtThePrimaryHeight) {
    // Primary 1440 × 900; a 1920 × 1080 screen to its right at (1440, −180) bottom-left.
    const QRectF screen(1440, -180, 1920, 1080);
    EXPECT_EQ(globalRect(QRectF(100, 200, 400, 300), screen, 900), QRectF(1540, 580, 400, 300));
    // On the primary screen itself: the top-left flip of the view rectangle.
    EXPECT_EQ(globalRect(QRectF(0, 0, 50, 40), QRectF(0, 0, 1440, 900), 900),
              QRectF(0, 860, 50, 40));
}

TEST(RegionGeometry, topLeftScreenGeometryRoundTripsToTheSameGlobalSpace) {
    // The same second screen as Qt places it: top-left (1440, 0).
    const QRectF frame = bottomLeftFrame(QRectF(1440, 0, 1920, 1080), 900);
    EXPECT_EQ(frame, QRectF(1440, -180, 1920, 1080));
    // A view rectangle at top-left y 580 is bottom-left y 1080 − 580 − 300 = 200.
    EXPECT_EQ(globalRect(QRectF(100, 200, 400, 300), frame, 900), QRectF(1540, 580, 400, 300));
    // A screen above-left of the primary keeps its negative coordinates.
    const QRectF above = bottomLeftFrame(QRectF(-800, -600, 800, 600), 900);
    EXPECT_EQ(globalRect(QRectF(10, 500, 30, 40), above, 900), QRectF(-790, -540, 30, 40));
}

TEST(RegionGeometry, sizeLabelRoundsHalvesAwayFromZero) {
    EXPECT_EQ(sizeLabelText(QSizeF(412.4, 305.5)), QStringLiteral("412 \u00D7 306"));
    EXPECT_EQ(sizeLabelText(QSizeF(20, 0.5)), QStringLiteral("20 \u00D7 1"));
}

TEST(RegionGeometry, sizeLabelSitsInsideAtTheBottomOrAboveWhenTooLow) {
    const QRectF bounds(0, 0, 1440, 900);
    const QSizeF text(60, 14); // box 76 × 22
    // Inside, 6 points from the selection's bottom-left corner.
    EXPECT_EQ(sizeLabelBox(QRectF(100, 100, 300, 200), bounds, text), QRectF(106, 106, 76, 22));
    // 500 × 10 is lower than 22 + 12: the label goes 6 points above the top edge.
    EXPECT_EQ(sizeLabelBox(QRectF(100, 100, 500, 10), bounds, text), QRectF(106, 116, 76, 22));
    // Exactly box height + 12 stays inside.
    EXPECT_EQ(sizeLabelBox(QRectF(100, 100, 500, 34), bounds, text).y(), 106);
    EXPECT_EQ(sizeLabelBox(QRectF(100, 100, 500, 33.9), bounds, text).y(), 139.9);
}

TEST(RegionGeometry, sizeLabelStaysSixPointsInsideTheScreenSides) {
    const QRectF bounds(0, 0, 1440, 900);
    const QSizeF text(60, 14);
    // Near the right edge: the box ends 6 points inside the screen.
    EXPECT_EQ(sizeLabelBox(QRectF(1400, 100, 100, 100), bounds, text).right(), 1434);
    // A selection starting left of the screen: the box starts 6 points inside.
    EXPECT_EQ(sizeLabelBox(QRectF(-50, 100, 100, 100), bounds, text).x(), 6);
    // Vertically it is not clamped.
    EXPECT_EQ(sizeLabelBox(QRectF(10, 895, 100, 10), bounds, text).y(), 911);
}

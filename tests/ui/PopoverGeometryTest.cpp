#include "ui/PopoverGeometry.h"

#include <gtest/gtest.h>

using namespace popover_geometry;

TEST(PopoverGeometry, isTheVisibleWidthLess40Within720To1600_centredUnderTheIconOnTheScreen) {
    EXPECT_EQ(width(700), 720);
    EXPECT_EQ(width(1000), 960);
    EXPECT_EQ(width(2000), 1600);
    EXPECT_EQ(width(760), 720);
    EXPECT_EQ(width(1640), 1600);
    EXPECT_EQ(width(std::nullopt), 1240);

    // Centred under the icon and kept on the screen.
    const QRect screen(0, 24, 1920, 1056);
    const QSize size(960, 260);
    // An icon in the middle of a top panel: centred under it.
    EXPECT_EQ(topLeft(size, QRect(900, 0, 24, 24), screen), QPoint(432, 24));
    // At the right edge: pushed left so the whole popover shows.
    EXPECT_EQ(topLeft(size, QRect(1897, 1, 22, 22), screen), QPoint(960, 24));
    // A panel at the bottom: above the icon.
    EXPECT_EQ(topLeft(size, QRect(10, 1056, 24, 24), QRect(0, 0, 1920, 1056)),
              QPoint(0, 1056 - 260));
    // No icon place known: top of the screen, centred.
    EXPECT_EQ(topLeft(size, QRect(), screen), QPoint(480, 24));
    // A second screen to the right.
    EXPECT_EQ(topLeft(QSize(1600, 260), QRect(), QRect(1920, 0, 2560, 1440)),
              QPoint(1920 + 480, 0));
}

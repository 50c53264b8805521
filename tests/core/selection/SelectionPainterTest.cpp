#include "core/selection/SelectionPainter.h"

#include <QImage>
#include <QPainter>
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

TEST(SelectionPainter, paint_dimsAroundAClearHole) {
    QImage image(200, 100, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    selection::paint(painter, image.rect(), QRectF(50, 20, 100, 60), Qt::blue, false);
    painter.end();
    EXPECT_EQ(image.pixel(100, 50), qRgb(255, 255, 255));             // inside: untouched
    EXPECT_EQ(qRed(image.pixel(10, 10)), 191);                        // outside: black at 0.25
    EXPECT_GT(qBlue(image.pixel(50, 50)), qRed(image.pixel(50, 50))); // the border
}

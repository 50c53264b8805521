#include "core/annotate/Pixelate.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>

namespace {

QImage noise(int w, int h, QImage::Format format = QImage::Format_RGB32) {
    QImage image(w, h, format);
    QRandomGenerator random(7);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, random.generate() | 0xff000000u);
    }
    return image;
}

// Lengths of the runs of equal pixels along a row.
QList<int> runs(const QImage& image, int y) {
    QList<int> lengths{1};
    for (int x = 1; x < image.width(); ++x) {
        if (image.pixel(x, y) == image.pixel(x - 1, y))
            ++lengths.last();
        else
            lengths.append(1);
    }
    return lengths;
}

} // namespace

TEST(Pixelate, cellsAreAnchoredAtTheCentreWithOneColourEach) {
    // 900 x 720: cells of 720 / 45 = 16; the centre (450, 360) is a cell corner.
    const QImage image = noise(900, 720);
    const QImage pixelated = makePixelated(image);
    ASSERT_EQ(pixelated.size(), image.size());
    ASSERT_EQ(pixelated.format(), image.format());

    // 450 = 28 * 16 + 2: a 2-pixel cell at each side, 56 whole cells between.
    const QList<int> row = runs(pixelated, 100);
    ASSERT_EQ(row.size(), 58);
    EXPECT_EQ(row.first(), 2);
    EXPECT_EQ(row.last(), 2);
    for (int i = 1; i < 57; ++i)
        EXPECT_EQ(row[i], 16) << i;

    // A whole cell holds one colour taken from inside it; its rows are equal.
    const QRgb colour = pixelated.pixel(450, 360);
    bool found = false;
    for (int y = 360; y < 376; ++y) {
        for (int x = 450; x < 466; ++x) {
            EXPECT_EQ(pixelated.pixel(x, y), colour);
            found = found || image.pixel(x, y) == colour;
        }
    }
    EXPECT_TRUE(found);
    EXPECT_NE(pixelated.pixel(449, 360), colour);
}

TEST(Pixelate, smallImagesGetCellsOfEightAndOtherFormatsAreConverted) {
    const QImage image = noise(64, 40, QImage::Format_RGB888);
    const QImage pixelated = makePixelated(image);
    ASSERT_EQ(pixelated.size(), image.size());
    // Centre 32: cells of 8 fall on 0, 8, ... 56.
    const QList<int> row = runs(pixelated, 5);
    EXPECT_EQ(row, QList<int>(8, 8));
}

TEST(Pixelate, nothingToPixelateGivesNoImage) {
    EXPECT_TRUE(makePixelated(QImage()).isNull());
    const QImage one = noise(1, 1);
    EXPECT_EQ(makePixelated(one).pixel(0, 0), one.pixel(0, 0));
}

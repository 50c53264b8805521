#include "core/annotate/Pixelate.h"
#include "TestImages.h"

#include <gtest/gtest.h>

namespace {

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

TEST(Pixelate, cellsAreAnchoredAtTheCentreWithOneColourEach_smallImagesGetCellsOfEight) {
    // 900 x 720: cells of 720 / 45 = 16; the centre (450, 360) is a cell corner.
    const QImage image = test_images::noise(900, 720);
    const QImage pixelated = makePixelated(image);
    ASSERT_EQ(pixelated.size(), image.size());
    ASSERT_EQ(pixelated.format(), image.format());

    // 450 = 28 * 16 + 2: a 2-pixel cell at each side, 56 whole cells between.
    QList<int> expected(56, 16);
    expected.prepend(2);
    expected.append(2);
    EXPECT_EQ(runs(pixelated, 100), expected);

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

    // Small images get cells of 8; other formats are converted.
    const QImage small = test_images::noise(64, 40, QImage::Format_RGB888);
    const QImage cells = makePixelated(small);
    ASSERT_EQ(cells.size(), small.size());
    EXPECT_EQ(runs(cells, 5), QList<int>(8, 8)); // centre 32: cells fall on 0, 8, ... 56

    EXPECT_TRUE(makePixelated(QImage()).isNull());
    const QImage one = test_images::noise(1, 1);
    EXPECT_EQ(makePixelated(one).pixel(0, 0), one.pixel(0, 0));
}

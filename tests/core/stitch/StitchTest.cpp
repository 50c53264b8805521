#include "StitchTestImages.h"
#include "core/stitch/ScrollStitcher.h"

#include <QPainter>
#include <gtest/gtest.h>

using namespace stitchtest;
using ScrollStitcher::StickyBands;
using ScrollStitcher::stickyBands;
using ScrollStitcher::stitch;

namespace {

bool sameRows(const QImage& a, int aTop, const QImage& b, int bTop, int rows) {
    const QImage left = a.copy(0, aTop, a.width(), rows).convertToFormat(QImage::Format_RGB32);
    const QImage right = b.copy(0, bTop, b.width(), rows).convertToFormat(QImage::Format_RGB32);
    return left == right;
}

} // namespace

TEST(Stitch, workedExampleJoinsTheNewRowsUnderTheLastToolbar) {
    const auto [page, f0, f1] = workedExample();

    EXPECT_EQ(ScrollStitcher::scrollDelta(f0, f1, 10, 0), 30);
    const QImage joined = stitch({f0, f1}, {30}, 10, 0);
    ASSERT_EQ(joined.size(), QSize(200, 130));
    EXPECT_TRUE(sameRows(joined, 0, f1, 0, 10));   // f1's toolbar
    EXPECT_TRUE(sameRows(joined, 10, f1, 10, 30)); // the new content
    EXPECT_TRUE(sameRows(joined, 40, f0, 10, 90)); // f0 below its toolbar
    EXPECT_TRUE(sameRows(joined, 10, page, 80, 120));
}

TEST(Stitch, noFramesNothing_oneFrameTheVerySameImage_noBodyOrMixedSizesNothing) {
    EXPECT_TRUE(stitch({}, {}, 0, 0).isNull());
    const QImage frame = noise(20, 30, 1).convertToFormat(QImage::Format_Indexed8);
    EXPECT_EQ(stitch({frame}, {5}, 50, 50).cacheKey(), frame.cacheKey());

    const QImage a = noise(20, 30, 1);
    const QImage b = noise(20, 30, 2);
    EXPECT_TRUE(stitch({a, b}, {5}, 15, 15).isNull());
    EXPECT_TRUE(stitch({a, b}, {5}, 0, 40).isNull());
    EXPECT_FALSE(stitch({a, b}, {5}, 14, 15).isNull());
    EXPECT_TRUE(stitch({a, noise(20, 31, 2)}, {5}, 0, 0).isNull());
    EXPECT_TRUE(stitch({a, QImage()}, {5}, 0, 0).isNull());
}

TEST(Stitch, deltasAreClampedToTheBodyAndMissingOnesCountAsZero) {
    const QImage a = noise(20, 30, 1);
    const QImage b = noise(20, 30, 2);
    const QImage c = noise(20, 30, 3);
    // All zero: frame 0 up to its top band, topped by the last frame's top band.
    const QImage still = stitch({a, b, c}, {0, 0}, 6, 4);
    ASSERT_EQ(still.height(), 30);
    EXPECT_TRUE(sameRows(still, 0, c, 0, 6));
    EXPECT_TRUE(sameRows(still, 6, a, 6, 24));

    EXPECT_EQ(stitch({a, b, c}, {7}, 6, 4).height(), 37);
    EXPECT_EQ(stitch({a, b, c}, {-3, 2, 99}, 6, 4).height(), 32);
    // Body 20: a delta of 99 contributes 20 rows.
    const QImage big = stitch({a, b}, {99}, 6, 4);
    ASSERT_EQ(big.height(), 50);
    EXPECT_TRUE(sameRows(big, 0, b, 0, 26));
    EXPECT_TRUE(sameRows(big, 26, a, 6, 24));
    // Negative bands count as none.
    EXPECT_EQ(stitch({a, b}, {3}, -8, -2).height(), 33);
}

TEST(Stitch, framesOfMixedPixelFormatsJoinInOneFormat) {
    const QImage page = noise(40, 200, 8);
    const QImage f0 = window(page, 100, 60);
    const QImage f1 = window(page, 80, 60).convertToFormat(QImage::Format_RGBA8888);
    const QImage joined = stitch({f0, f1}, {20}, 0, 0);
    ASSERT_EQ(joined.height(), 80);
    EXPECT_TRUE(sameRows(joined, 0, page, 80, 80));
}

TEST(Stitch, wholePassEqualsTheSeparateSteps) {
    const QImage page = noise(90, 700, 4);
    const QImage header = noise(90, 12, 5);
    QList<QImage> frames;
    for (int top : {500, 440, 385, 385, 330, 320}) {
        QImage frame = window(page, top, 120);
        paintRows(frame, 0, 12, header);
        frames.append(frame);
    }
    const ScrollStitcher::Pass pass = ScrollStitcher::stitchAll(frames);
    const ScrollStitcher::StickyBands bands = ScrollStitcher::stickyBands(frames);
    EXPECT_EQ(pass.bands, bands);
    QList<int> deltas;
    for (qsizetype i = 1; i < frames.size(); ++i)
        deltas.append(ScrollStitcher::scrollDelta(frames[i - 1], frames[i], bands.top, bands.bottom)
                          .value_or(0));
    EXPECT_EQ(pass.deltas, deltas);
    EXPECT_EQ(pass.deltas, (QList<int>{60, 55, 0, 55, 10}));
    EXPECT_EQ(pass.image, stitch(frames, deltas, bands.top, bands.bottom));
    EXPECT_TRUE(sameRows(pass.image, 12, page, 332, 288));
}

TEST(Stitch, contentUnderAFixedBarsShadowComesFromFramesWhereItIsClear) {
    // A 10-row bar at the top of the screen darkens the 2 rows under it to 70 %.
    const QImage page = noise(90, 500, 6);
    const QImage bar = noise(90, 10, 7);
    QList<QImage> frames;
    for (int top : {300, 270, 240}) {
        QImage frame = window(page, top, 100).convertToFormat(QImage::Format_RGB32);
        paintRows(frame, 0, 10, bar);
        QPainter shadow(&frame);
        shadow.fillRect(0, 10, 90, 2, QColor(0, 0, 0, 77));
        frames.append(frame);
    }
    const ScrollStitcher::Pass pass = ScrollStitcher::stitchAll(frames, {30, 30});
    EXPECT_EQ(pass.guards, (ScrollStitcher::Guards{2, 0}));
    ASSERT_EQ(pass.image.height(), 160);
    // The bar and the rows it shades at the top of the page, then every row clear.
    EXPECT_TRUE(sameRows(pass.image, 0, frames.last(), 0, 12));
    EXPECT_TRUE(sameRows(pass.image, 12, page, 252, 148));
    EXPECT_EQ(ScrollStitcher::stitchAll(frames).guards, pass.guards);
}

TEST(StickyBands, identicalFramesReachThreeTenthsOfTheHeightAtBothEnds_fewerOrMixedNone) {
    const QImage frame = noise(50, 100, 5);
    EXPECT_EQ(stickyBands({frame, frame}), (StickyBands{30, 30}));
    EXPECT_EQ(stickyBands({frame, frame, frame}), (StickyBands{30, 30}));
    // Bands never meet: 10 rows allow 3 at each end, 5 and 4 rows 1, 3 rows none.
    for (auto [rows, band] : {std::pair{10, 3}, {5, 1}, {4, 1}, {3, 0}})
        EXPECT_EQ(stickyBands({flat(8, rows, 9), flat(8, rows, 9)}), (StickyBands{band, band}))
            << rows;
    // Fewer than two frames, or frames of mixed sizes: no bands.
    EXPECT_EQ(stickyBands({}), (StickyBands{0, 0}));
    EXPECT_EQ(stickyBands({frame}), (StickyBands{0, 0}));
    EXPECT_EQ(stickyBands({frame, frame.copy(0, 0, 50, 99)}), (StickyBands{0, 0}));
    EXPECT_EQ(stickyBands({frame, QImage()}), (StickyBands{0, 0}));
}

TEST(StickyBands, findsAToolbarAtTheTopAndAStatusBarAtTheBottom) {
    auto [page, f0, f1] = workedExample();
    EXPECT_EQ(stickyBands({f0, f1}), (StickyBands{10, 0}));
    const QImage status = noise(200, 7, 98);
    paintRows(f0, 93, 7, status);
    paintRows(f1, 93, 7, status);
    EXPECT_EQ(stickyBands({f0, f1}), (StickyBands{10, 7}));
}

TEST(StickyBands, everyFrameIsComparedWithTheFirst) {
    // Each frame is 2 grey levels from its neighbour but 4 from frame 0 in the last one.
    const StickyBands drifting =
        stickyBands({flat(40, 50, 100), flat(40, 50, 102), flat(40, 50, 104)});
    EXPECT_EQ(drifting, (StickyBands{0, 0}));
    EXPECT_EQ(stickyBands({flat(40, 50, 100), flat(40, 50, 103)}), (StickyBands{15, 15}));
}

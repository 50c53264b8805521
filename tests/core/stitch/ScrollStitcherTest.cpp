#include "core/stitch/ScrollStitcher.h"
#include "TestImages.h"

#include <QPainter>
#include <gtest/gtest.h>

using ScrollStitcher::scrollDelta;
using ScrollStitcher::StickyBands;
using ScrollStitcher::stickyBands;
using ScrollStitcher::stitch;

namespace {

// Grey: its luminance is its grey value, so costs are easy to reason about.
QImage flat(int width, int height, int grey) {
    return test_images::filled(width, height, QColor(grey, grey, grey));
}

// Every pixel random: no shift but the true one matches.
QImage noise(int width, int height, int seed) {
    return test_images::noise(width, height, QImage::Format_RGB32, seed);
}

// The part of a tall page seen through a window `height` rows high whose top edge is at
// page row `top`.
QImage window(const QImage& page, int top, int height) {
    return page.copy(0, top, page.width(), height);
}

void paintRows(QImage& image, int firstRow, int rows, const QImage& source) {
    QPainter(&image).drawImage(QPoint(0, firstRow), source, QRect(0, 0, image.width(), rows));
}

bool sameRows(const QImage& a, int aTop, const QImage& b, int bTop, int rows) {
    const QImage left = a.copy(0, aTop, a.width(), rows).convertToFormat(QImage::Format_RGB32);
    const QImage right = b.copy(0, bTop, b.width(), rows).convertToFormat(QImage::Format_RGB32);
    return left == right;
}

// Frames 120 wide and 100 high of a noise page whose content moved `rows` down the screen
// (positive) or up (negative) from `previous` to `next`.
std::pair<QImage, QImage> movedBy(int rows) {
    const QImage page = noise(120, 400, 7);
    return {window(page, 150, 100), window(page, 150 - rows, 100)};
}

// A white page with bars of noise 10 rows high at the given rows.
QImage barsPage(std::initializer_list<int> bars) {
    QImage page = flat(120, 500, 255);
    for (int row : bars)
        paintRows(page, row, 10, noise(120, 10, row));
    return page;
}

} // namespace

// Distinct matches: the guided search answers as the plain one, in every pixel format.
TEST(ScrollDelta, measuresContentMovedDownTreatsUnderThreeRowsAsStillAndNeverUp) {
    const std::pair<int, std::optional<int>> cases[] = {
        {0, 0}, {1, 0}, {2, 0}, {3, 3}, {30, 30}, {52, 52}, {-30, std::nullopt}};
    for (auto [moved, expected] : cases) {
        const auto [previous, next] = movedBy(moved);
        EXPECT_EQ(scrollDelta(previous, next, 0, 0), expected) << "moved " << moved;
        const auto guided = ScrollStitcher::guidedMatch(previous, next, 0, 0, 40);
        EXPECT_EQ(guided ? std::optional(guided->delta) : std::nullopt, expected) << moved;
    }
    const auto [previous, next] = movedBy(30);
    for (QImage::Format format : {QImage::Format_RGBA8888, QImage::Format_ARGB32,
                                  QImage::Format_RGB888, QImage::Format_RGBA8888_Premultiplied})
        EXPECT_EQ(scrollDelta(previous.convertToFormat(format), next.convertToFormat(format), 0, 0),
                  30)
            << format;
    // On one flat colour every shift costs 0 and the smallest wins, whatever really moved.
    EXPECT_EQ(scrollDelta(flat(80, 90, 40), flat(80, 90, 40), 0, 0), 0);
}

TEST(ScrollDelta, ignoredBandsShrinkTheSearchAndAreClamped_framesOfOtherSizesOrNoneNever) {
    const auto [previous, next] = movedBy(30);
    // The band under comparison starts above the ignored bottom rows.
    EXPECT_EQ(scrollDelta(previous, next, 5, 10), 30);
    EXPECT_EQ(scrollDelta(previous, next, -9, -4), 30);
    // 100 − 20 − 48 − 10 leaves shifts up to 22 only: 30 cannot be matched.
    EXPECT_EQ(scrollDelta(previous, next, 20, 10), std::nullopt);
    EXPECT_EQ(scrollDelta(previous, next, 101, 0), std::nullopt);
    EXPECT_EQ(scrollDelta(previous, next, 0, 53), std::nullopt);

    // Frames of different sizes, or none, cannot be compared.
    EXPECT_EQ(scrollDelta(flat(64, 60, 0), flat(64, 61, 0), 0, 0), std::nullopt);
    EXPECT_EQ(scrollDelta(flat(64, 60, 0), flat(65, 60, 0), 0, 0), std::nullopt);
    EXPECT_EQ(scrollDelta(QImage(), flat(64, 60, 0), 0, 0), std::nullopt);
}

// A white page whose only content is noise in a few columns at either side, or all of them.
TEST(ScrollDelta, contentAtEitherSideOfTheFramesCounts) {
    for (auto [first, end] : {std::pair{0, 3}, {597, 600}, {0, 600}}) {
        QImage page = flat(600, 400, 255);
        QPainter(&page).drawImage(first, 0, noise(end - first, 400, 12));
        EXPECT_EQ(scrollDelta(window(page, 150, 100), window(page, 120, 100), 0, 0), 30) << first;
    }
}

TEST(ScrollDelta, matchCarriesTheCostOfTheShiftItAnswers) {
    const auto [previous, next] = movedBy(30);
    const auto match = ScrollStitcher::scrollMatch(previous, next, 0, 0);
    ASSERT_TRUE(match);
    EXPECT_EQ(match->delta, 30);
    EXPECT_EQ(match->cost, 0.0);
    // A mean difference of exactly 18 still matches. 48 rows: shift 0 is the only one tried;
    // 47 leave none.
    const auto still = ScrollStitcher::scrollMatch(flat(64, 48, 0), flat(64, 48, 18), 0, 0);
    ASSERT_TRUE(still);
    EXPECT_EQ(still->delta, 0);
    EXPECT_EQ(still->cost, 18.0);
    EXPECT_FALSE(ScrollStitcher::scrollMatch(flat(64, 48, 0), flat(64, 48, 19), 0, 0));
    EXPECT_EQ(scrollDelta(flat(64, 47, 0), flat(64, 47, 0), 0, 0), std::nullopt);
}

TEST(GuidedMatch, flatEdgeBandIsDecidedByTheRowsInCommon_columnsThatDoNotMoveAreLeftOut) {
    // The content moved 60 rows down; the 48 rows at the bottom of `next` are white, and
    // the bar both frames show lies above them.
    const QImage page = barsPage({220, 320});
    QImage previous = window(page, 200, 150);
    QImage next = window(page, 140, 150);
    EXPECT_EQ(scrollDelta(previous, next, 0, 0), 30); // the smallest of many free shifts
    for (int expected : {0, 60, 90})
        EXPECT_EQ(ScrollStitcher::guidedMatch(previous, next, 0, 0, expected)->delta, 60);

    // Beside a fixed panel at the left and a scroll bar at the right whose thumb moved up
    // while the content moved down.
    const QImage panel = noise(20, 150, 9);
    for (auto [frame, thumb] : {std::pair{&previous, 60}, {&next, 50}}) {
        QPainter painter(frame);
        painter.drawImage(0, 0, panel);
        painter.fillRect(108, 0, 12, 150, QColor(200, 200, 200));
        painter.fillRect(109, thumb, 10, 30, QColor(90, 90, 90));
    }
    const auto match = ScrollStitcher::guidedMatch(previous, next, 0, 0, 0);
    ASSERT_TRUE(match);
    EXPECT_EQ(match->delta, 60);
    EXPECT_GT(match->support, 0);
}

TEST(GuidedMatch, nothingInCommonButGroundTakesTheMovementAskedForAndEqualFramesEnd) {
    // Every row the frames share is white: the shift cannot be seen.
    const QImage page = barsPage({150, 330});
    const QImage previous = window(page, 200, 150);
    const QImage next = window(page, 140, 150);
    EXPECT_EQ(ScrollStitcher::guidedMatch(previous, next, 0, 0, 60)->delta, 60);
    EXPECT_EQ(ScrollStitcher::guidedMatch(previous, next, 0, 0, 57)->delta, 57);
    EXPECT_EQ(ScrollStitcher::guidedMatch(previous, previous, 0, 0, 60)->delta, 0);
    EXPECT_EQ(ScrollStitcher::guidedMatch(flat(80, 90, 40), flat(80, 90, 40), 0, 0, 30)->delta, 0);
}

// A 10-row toolbar at the top of the screen over content that moved 30 rows down between
// the first frame and the second.
TEST(Stitch, workedExampleFindsTheBarsAndJoinsTheNewRowsUnderTheLastToolbar) {
    const QImage page = noise(200, 300, 21);
    QImage f0 = window(page, 100, 100);
    QImage f1 = window(page, 70, 100);
    const QImage toolbar = noise(200, 10, 99);
    paintRows(f0, 0, 10, toolbar);
    paintRows(f1, 0, 10, toolbar);

    EXPECT_EQ(stickyBands({f0, f1}), (StickyBands{10, 0}));
    EXPECT_EQ(ScrollStitcher::scrollDelta(f0, f1, 10, 0), 30);
    // Frames of mixed pixel formats join in one.
    const QImage joined = stitch({f0, f1.convertToFormat(QImage::Format_RGBA8888)}, {30}, 10, 0);
    ASSERT_EQ(joined.size(), QSize(200, 130));
    EXPECT_TRUE(sameRows(joined, 0, f1, 0, 10));   // f1's toolbar
    EXPECT_TRUE(sameRows(joined, 10, f1, 10, 30)); // the new content
    EXPECT_TRUE(sameRows(joined, 40, f0, 10, 90)); // f0 below its toolbar
    EXPECT_TRUE(sameRows(joined, 10, page, 80, 120));

    // A status bar at the bottom.
    const QImage status = noise(200, 7, 98);
    paintRows(f0, 93, 7, status);
    paintRows(f1, 93, 7, status);
    EXPECT_EQ(stickyBands({f0, f1}), (StickyBands{10, 7}));
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

TEST(StickyBands, identicalFramesReachThreeTenthsOfTheHeightAtBothEnds_fewerOrMixedNone_driftNone) {
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
    // Every frame is compared with the first: each is 2 grey levels from its neighbour but
    // the last is 4 from frame 0.
    EXPECT_EQ(stickyBands({flat(40, 50, 100), flat(40, 50, 102), flat(40, 50, 104)}),
              (StickyBands{0, 0}));
    EXPECT_EQ(stickyBands({flat(40, 50, 100), flat(40, 50, 103)}), (StickyBands{15, 15}));
}

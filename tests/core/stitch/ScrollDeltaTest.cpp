#include "StitchTestImages.h"
#include "core/stitch/ScrollStitcher.h"

#include <QPainter>
#include <gtest/gtest.h>

using namespace stitchtest;
using ScrollStitcher::scrollDelta;

namespace {

// Frames 120 wide and 100 high of a noise page whose content moved `rows` down the screen
// (positive) or up (negative) from `previous` to `next`.
std::pair<QImage, QImage> movedBy(int rows, int height = 100) {
    const QImage page = noise(120, 400, 7);
    const int start = 150;
    return {window(page, start, height), window(page, start - rows, height)};
}

// A white page whose only content is noise in columns `first` … `end` − 1, seen in frames
// 100 high between which it moved 30 rows down the screen.
std::pair<QImage, QImage> sideContent(int width, int first, int end) {
    QImage page = flat(width, 400, 255);
    QPainter(&page).drawImage(first, 0, noise(end - first, 400, 12));
    return {window(page, 150, 100), window(page, 120, 100)};
}

} // namespace

TEST(ScrollDelta, measuresContentMovedDownTreatsUnderThreeRowsAsStillAndNeverUp) {
    const std::pair<int, std::optional<int>> cases[] = {
        {0, 0}, {1, 0}, {2, 0}, {3, 3}, {30, 30}, {52, 52}, {-30, std::nullopt}};
    for (auto [moved, expected] : cases) {
        const auto [previous, next] = movedBy(moved);
        EXPECT_EQ(scrollDelta(previous, next, 0, 0), expected) << "moved " << moved;
    }
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

TEST(ScrollDelta, contentAtEitherSideOfTheFramesCounts) {
    for (auto [first, end] : {std::pair{0, 3}, {597, 600}, {0, 600}}) {
        const auto [previous, next] = sideContent(600, first, end);
        EXPECT_EQ(scrollDelta(previous, next, 0, 0), 30) << first;
    }
}

TEST(ScrollDelta, readsPremultipliedColourInEveryPixelFormat) {
    const auto [previous, next] = movedBy(30);
    for (QImage::Format format : {QImage::Format_RGBA8888, QImage::Format_ARGB32,
                                  QImage::Format_RGB888, QImage::Format_RGBA8888_Premultiplied})
        EXPECT_EQ(scrollDelta(previous.convertToFormat(format), next.convertToFormat(format), 0, 0),
                  30)
            << format;
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

namespace {

// A white page with bars of noise 10 rows high at the given rows.
QImage barsPage(std::initializer_list<int> bars) {
    QImage page = flat(120, 500, 255);
    for (int row : bars)
        paintRows(page, row, 10, noise(120, 10, static_cast<quint32>(row)));
    return page;
}

} // namespace

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

TEST(GuidedMatch, distinctMatchesAnswerAsBefore) {
    for (int moved : {0, 2, 3, 30, 52, -30}) {
        const auto [previous, next] = movedBy(moved);
        const auto plain = ScrollStitcher::scrollMatch(previous, next, 0, 0);
        const auto guided = ScrollStitcher::guidedMatch(previous, next, 0, 0, 40);
        ASSERT_EQ(plain.has_value(), guided.has_value()) << moved;
        if (plain) {
            EXPECT_EQ(guided->delta, plain->delta) << moved;
        }
    }
}

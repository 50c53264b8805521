#include "StitchTestImages.h"
#include "core/stitch/ScrollStitcher.h"

#include <gtest/gtest.h>

using namespace stitchtest;
using ScrollStitcher::StickyBands;
using ScrollStitcher::stickyBands;

TEST(StickyBands, identicalFramesReachThreeTenthsOfTheHeightAtBothEnds) {
    const QImage frame = noise(50, 100, 5);
    EXPECT_EQ(stickyBands({frame, frame}), (StickyBands{30, 30}));
    EXPECT_EQ(stickyBands({frame, frame, frame}), (StickyBands{30, 30}));
    // 4 rows allow bands of 1 row; 3 rows allow none.
    EXPECT_EQ(stickyBands({flat(8, 4, 9), flat(8, 4, 9)}), (StickyBands{1, 1}));
    EXPECT_EQ(stickyBands({flat(8, 3, 9), flat(8, 3, 9)}), (StickyBands{0, 0}));
}

TEST(StickyBands, fewerThanTwoFramesOrMixedSizesHaveNoBands) {
    const QImage frame = noise(50, 100, 5);
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

TEST(StickyBands, bandsNeverMeet) {
    // 10 rows: limit 3; identical frames give 3 at each end, which do not overlap.
    EXPECT_EQ(stickyBands({flat(12, 10, 1), flat(12, 10, 1)}), (StickyBands{3, 3}));
    // 5 rows: limit 1 each.
    EXPECT_EQ(stickyBands({flat(12, 5, 1), flat(12, 5, 1)}), (StickyBands{1, 1}));
}

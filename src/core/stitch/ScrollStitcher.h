#pragma once

#include <QImage>
#include <QList>
#include <optional>

// The image arithmetic of the scrolling capture: how far the content under a screen
// region moved between two frames, which rows at the frames' edges never change (a
// toolbar, a status bar), and the join of a run of frames into one tall image.
//
// Every name says what it is on screen: `top` is the frame's top edge, and rows are counted
// from there down. Pure functions, safe on any thread; lengths are image pixels.
namespace ScrollStitcher {

// Height of the band of `next` that is looked for in `previous` at every shift: about three
// lines of text, so that a shift is told by text rather than by one line's look-alike,
// while a frame of a few hundred rows still leaves most of its height to search. A shift
// leaving fewer rows than this between the bands left out cannot be measured.
inline constexpr int comparedBandRows = 48;

// Rows at the frame's top (a toolbar) and bottom (a status bar) that are the same in every
// frame.
struct StickyBands {
    int top = 0;
    int bottom = 0;
    friend bool operator==(const StickyBands&, const StickyBands&) = default;
};

// Rows the content moved down the screen from `previous` to `next` (row r of `next` equals
// row r − delta of `previous`), leaving out `ignoreTop` rows at the frames' top and
// `ignoreBottom` at their bottom; 0 for no movement, nothing when no shift matches well
// enough or the frames cannot be compared.
std::optional<int> scrollDelta(const QImage& previous, const QImage& next, int ignoreTop,
                               int ignoreBottom);

struct Match {
    int delta = 0;   // as `scrollDelta` answers
    double cost = 0; // the mean luminance difference at the best shift
    // Rows with texture the frames have in common at that shift, where whole rows decided
    // it (`guidedMatch`), otherwise −1. 0: nothing in the frames told the shift from others
    // that all rows agree with as well; the answer is then no movement or the expected one
    // where either is among them, else the smallest.
    int support = -1;
};

// `scrollDelta` together with how well its shift matched. On text, where most rows are the
// page's ground, a wrong shift may still cost less than the limit; the true movement costs
// (nearly) nothing, so of two directions the cheaper one is the real one.
std::optional<Match> scrollMatch(const QImage& previous, const QImage& next, int ignoreTop,
                                 int ignoreBottom);

// `scrollMatch` for a scroll expected to move the content `expected` rows (0: not known).
// A distinct match of the edge band stands where every row the frames have in common
// agrees with it. Otherwise (a flat band where many shifts tie, a look-alike that the rows
// above contradict, no match on the band at all) the shift is one that all rows in common
// agree with, resting on the most rows with texture; among equals no movement (equal
// frames), then the expected movement, then the smallest.
std::optional<Match> guidedMatch(const QImage& previous, const QImage& next, int ignoreTop,
                                 int ignoreBottom, int expected);

// Rows at either end that are the same in all frames, each frame compared with frame 0.
StickyBands stickyBands(const QList<QImage>& frames);

// Rows right next to the sticky bands that do not move with the content, such as the
// shadow a fixed bar casts on the page: `top` under the top band, `bottom` above the bottom
// band. Content is taken from frames that show it clear of them.
struct Guards {
    int top = 0;
    int bottom = 0;
    friend bool operator==(const Guards&, const Guards&) = default;
};

// The joined image: from the top, the last frame's top band, the rows each frame brought in
// under it, last frame first, and frame 0 below its top band; a null image when the frames
// cannot be joined. One frame comes back as it is.
QImage stitch(const QList<QImage>& frames, const QList<int>& deltas, int stickyTop,
              int stickyBottom, Guards guards = {});

struct Pass {
    StickyBands bands;
    QList<int> deltas; // one per consecutive pair, a failed match counting as 0
    Guards guards;
    QImage image; // null when the frames cannot be joined
};

// The whole join of a capture: the bands over all frames, the delta of each consecutive
// pair measured with those bands, then the stitch. Each frame is read once, with results
// equal to calling the three functions above in that order.
Pass stitchAll(const QList<QImage>& frames);
// The same join with the deltas already known (measured while capturing); the guards
// follow from them.
Pass stitchAll(const QList<QImage>& frames, const QList<int>& deltas);

} // namespace ScrollStitcher

#pragma once

#include <QImage>
#include <QList>
#include <optional>

// The image arithmetic of the scrolling capture: how far the content under a screen
// region moved between two frames, which rows at the frames' edges never change (a
// toolbar, a status bar), and the join of a run of frames into one tall image.
//
// Rows are counted bottom-up, as the measures are defined: `top` bands start at the
// frame's bottom row on screen and `bottom` bands end at its top row. Pure functions, safe
// on any thread; lengths are image pixels.
namespace ScrollStitcher {

// Rows of `next` compared at every shift: a shift leaving fewer rows in common than this
// above the ignored bands cannot be measured.
inline constexpr int comparedBandRows = 48;

struct StickyBands {
    int top = 0;
    int bottom = 0;
    friend bool operator==(const StickyBands&, const StickyBands&) = default;
};

// Rows the content moved DOWN the screen from `previous` to `next` (row r of `next`
// equals row r + delta of `previous`); 0 for no movement, nothing when no shift matches
// well enough or the frames cannot be compared.
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
// shadow a fixed bar casts on the page: `top` above the bottom band on screen, `bottom`
// under the top band. Content is taken from frames that show it clear of them.
struct Guards {
    int top = 0;
    int bottom = 0;
    friend bool operator==(const Guards&, const Guards&) = default;
};

// The joined image, read on screen from the last frame's top band down to frame 0's bottom
// band; a null image when the frames cannot be joined. One frame comes back as it is.
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

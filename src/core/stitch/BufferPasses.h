#pragma once

#include "core/stitch/PixelBuffer.h"
#include "core/stitch/ScrollStitcher.h"

#include <QImage>
#include <optional>
#include <span>

// The stitcher's three measures on frames already read into buffers.
namespace stitch {

// A row still matches another at this mean luminance difference: a fixed bar or copied
// content is drawn the same, give or take a caret or a hover, while rows that differ in
// content differ by more.
inline constexpr double maxRowCost = 3.0;
// Rows compared whole for fixed bands and their shadows are read every fourth pixel: the
// text on a bar is wider than that.
inline constexpr int wholeRowColumnStep = 4;
// Shifts of 1 or 2 rows count as no movement: a wheel moves a page further, and a frame
// drawn again in place may match one or two rows off on its smooth parts.
inline constexpr int smallestShift = 3;
// Fewer rows in common than this tell nothing about a shift.
inline constexpr int minCommonRows = 16;

// Columns first … end − 1.
struct ColumnRange {
    int first = 0;
    int end = 0;
};

// The columns of two frames that show the page, between the bands left out at the top and
// the bottom: every column but runs at either side that do not move with it, which are
// columns of one colour, columns that stayed as they were (a fixed side panel, a window's
// edge) and columns that changed otherwise (a scroll bar's thumb, which moves the other
// way). How far the page moved is what its columns show, or else `expected` (0: not
// known); where neither tells, or the frames show nothing moving with a page, every column
// counts.
ColumnRange pageColumns(const PixelBuffer& previous, const PixelBuffer& next, int top, int bottom,
                        int expected);

std::optional<ScrollStitcher::Match>
scrollMatch(const PixelBuffer& previous, const PixelBuffer& next, int ignoreTop, int ignoreBottom);
std::optional<int> scrollDelta(const PixelBuffer& previous, const PixelBuffer& next, int ignoreTop,
                               int ignoreBottom);
std::optional<ScrollStitcher::Match> guidedMatch(const PixelBuffer& previous,
                                                 const PixelBuffer& next, int ignoreTop,
                                                 int ignoreBottom, int expected);

ScrollStitcher::StickyBands stickyBands(std::span<const PixelBuffer> frames);

// Frames of one size and one pixel format; a null image when they cannot be joined.
QImage stitch(std::span<const PixelBuffer> frames, std::span<const int> deltas, int stickyTop,
              int stickyBottom, ScrollStitcher::Guards guards = {});
ScrollStitcher::Guards guards(std::span<const PixelBuffer> frames, std::span<const int> deltas,
                              int stickyTop, int stickyBottom);

} // namespace stitch

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

#pragma once

#include "core/stitch/PixelBuffer.h"
#include "core/stitch/ScrollStitcher.h"

#include <QImage>
#include <optional>
#include <span>

// The stitcher's three measures on frames already read into buffers.
namespace stitch {

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

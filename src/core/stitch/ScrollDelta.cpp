#include "core/stitch/BufferPasses.h"
#include "core/stitch/LumaKernels.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace stitch {

namespace {

constexpr int bandRows = 48;     // height of the compared band
constexpr int bandRowStep = 3;   // rows 0, 3, …, 45 of the band are sampled
constexpr int sampledRows = 16;  // bandRows / bandRowStep
constexpr int columnStep = 3;    // every third column of the central part
constexpr double maxCost = 18.0; // a mean luminance difference above this is no match
constexpr int smallestShift = 3; // shifts of 1 or 2 rows count as no movement
// What 1 − 0.9 evaluates to in double precision; the margins depend on its exact value.
constexpr double marginFactor = 0.09999999999999998;

// The sampled columns of rows first … first + count − 1, packed side by side.
std::vector<std::uint8_t> packedColumns(const PixelBuffer& frame, int first, int count, int rowStep,
                                        int firstColumn, int columns) {
    std::vector<std::uint8_t> packed(static_cast<std::size_t>(count) *
                                     static_cast<std::size_t>(columns));
    for (int i = 0; i < count; ++i)
        kernels::gather(frame.lumaRow(first + i * rowStep) + firstColumn, columnStep, columns,
                        packed.data() + static_cast<std::size_t>(i) * columns);
    return packed;
}

} // namespace

std::optional<ScrollStitcher::Match>
scrollMatch(const PixelBuffer& previous, const PixelBuffer& next, int ignoreTop, int ignoreBottom) {
    if (previous.width() != next.width() || previous.height() != next.height())
        return std::nullopt;
    const int w = next.width();
    const int h = next.height();
    const int t = std::clamp(ignoreTop, 0, h);
    const int b = std::clamp(ignoreBottom, 0, h);
    const int maxShift = h - b - bandRows - t;
    if (maxShift < 0)
        return std::nullopt;

    const int margin = static_cast<int>(static_cast<double>(w) * marginFactor * 0.5);
    const int end = std::max(margin + 1, w - margin);
    const int columns = (end - margin + columnStep - 1) / columnStep;

    // Every shift reads the same 16 rows of `next` against rows t + k + s of `previous`, so
    // both are packed once and each shift costs 16 contiguous difference sums.
    const std::vector<std::uint8_t> band =
        packedColumns(next, t, sampledRows, bandRowStep, margin, columns);
    const int previousRows = maxShift + bandRows - bandRowStep + 1;
    const std::vector<std::uint8_t> rows =
        packedColumns(previous, t, previousRows, 1, margin, columns);

    const double samples = static_cast<double>(sampledRows) * columns;
    const std::size_t stride = static_cast<std::size_t>(columns);
    int bestShift = 0;
    double bestCost = 0;
    for (int s = 0; s <= maxShift; ++s) {
        std::uint64_t sum = 0;
        for (int k = 0; k < sampledRows; ++k)
            sum += kernels::sumOfAbsoluteDifferences(
                band.data() + static_cast<std::size_t>(k) * stride,
                rows.data() + static_cast<std::size_t>(k * bandRowStep + s) * stride, columns);
        const double cost = static_cast<double>(sum) / samples;
        if (s == 0 || cost < bestCost) {
            bestCost = cost;
            bestShift = s;
        }
    }
    if (bestCost > maxCost)
        return std::nullopt;
    return ScrollStitcher::Match{bestShift < smallestShift ? 0 : bestShift, bestCost};
}

std::optional<int> scrollDelta(const PixelBuffer& previous, const PixelBuffer& next, int ignoreTop,
                               int ignoreBottom) {
    const auto match = scrollMatch(previous, next, ignoreTop, ignoreBottom);
    return match ? std::optional<int>(match->delta) : std::nullopt;
}

} // namespace stitch

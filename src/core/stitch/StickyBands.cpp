#include "core/stitch/BufferPasses.h"
#include "core/stitch/LumaKernels.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace stitch {

namespace {

constexpr double bandShare = 0.3;  // a band reaches at most this share of the height
constexpr double maxRowCost = 3.0; // mean luminance difference of a row that still matches
constexpr int columnStep = 4;      // every fourth pixel of a row is compared

// Every fourth luma byte of each frame's row, packed, so that a row comparison is one
// contiguous difference sum.
class PackedRows {
public:
    PackedRows(std::span<const PixelBuffer> frames)
        : m_frames(frames)
        , m_columns((frames[0].width() + columnStep - 1) / columnStep)
        , m_scratch(static_cast<std::size_t>(m_columns) * frames.size()) {}

    // Row `row` of every frame has the mean difference to frame 0's at most 3.
    bool rowMatchesEverywhere(int row) {
        const std::uint8_t* first = packed(0, row);
        for (std::size_t j = 1; j < m_frames.size(); ++j) {
            const std::uint32_t sum =
                kernels::sumOfAbsoluteDifferences(first, packed(j, row), m_columns);
            if (static_cast<double>(sum) / m_columns > maxRowCost)
                return false;
        }
        return true;
    }

private:
    const std::uint8_t* packed(std::size_t frame, int row) {
        std::uint8_t* target = m_scratch.data() + frame * static_cast<std::size_t>(m_columns);
        kernels::gather(m_frames[frame].lumaRow(row), columnStep, m_columns, target);
        return target;
    }

    std::span<const PixelBuffer> m_frames;
    int m_columns;
    std::vector<std::uint8_t> m_scratch;
};

} // namespace

ScrollStitcher::StickyBands stickyBands(std::span<const PixelBuffer> frames) {
    if (frames.size() < 2)
        return {};
    const int w = frames[0].width();
    const int h = frames[0].height();
    for (const PixelBuffer& frame : frames)
        if (frame.width() != w || frame.height() != h)
            return {};
    const int limit = static_cast<int>(static_cast<double>(h) * bandShare);
    if (limit < 1)
        return {};

    PackedRows rows(frames);
    int top = 0;
    if (rows.rowMatchesEverywhere(0)) {
        top = 1;
        while (top < limit && rows.rowMatchesEverywhere(top))
            ++top;
    }
    int bottom = 0;
    if (rows.rowMatchesEverywhere(h - 1)) {
        bottom = 1;
        while (bottom < limit && h - 1 - bottom >= top && rows.rowMatchesEverywhere(h - 1 - bottom))
            ++bottom;
    }
    return {top, bottom};
}

} // namespace stitch

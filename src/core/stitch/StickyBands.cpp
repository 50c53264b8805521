#include "core/stitch/BufferPasses.h"
#include "core/stitch/LumaKernels.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace stitch {

namespace {

// A band reaches at most this share of the height: a bar is a small part of a view, and two
// bands of 0.3 never meet, so a page that did not move still leaves a body to join.
constexpr double bandShare = 0.3;

// The sampled luma bytes of each frame's row, packed, so that a row comparison is one
// contiguous difference sum.
class PackedRows {
public:
    PackedRows(std::span<const PixelBuffer> frames)
        : m_frames(frames)
        , m_columns((frames[0].width() + wholeRowColumnStep - 1) / wholeRowColumnStep)
        , m_scratch(static_cast<std::size_t>(m_columns) * frames.size()) {}

    // Row `row` of every frame differs from frame 0's by at most `maxRowCost` on average.
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
        kernels::gather(m_frames[frame].lumaRow(row), wholeRowColumnStep, m_columns, target);
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
    while (top < limit && rows.rowMatchesEverywhere(top))
        ++top;
    int bottom = 0;
    while (bottom < limit && rows.rowMatchesEverywhere(h - 1 - bottom))
        ++bottom;
    return {top, bottom};
}

} // namespace stitch

#include "core/stitch/BufferPasses.h"
#include "core/stitch/LumaKernels.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <limits>
#include <vector>

namespace stitch {

namespace {

// A bar's shadow is a few rows, also at twice the scale; more than this is the page's own.
constexpr int maxGuardRows = 24;

class Output {
public:
    Output(int width, int height, QImage::Format format)
        : m_image(width, height, format)
        , m_height(height) {}

    bool isNull() const { return m_image.isNull(); }
    QImage image() const { return m_image; }

    // Copies `count` whole rows, nothing at all when they would not fit either buffer.
    void blit(const PixelBuffer& source, int sourceRow, int count, int row) {
        if (count < 1 || sourceRow < 0 || row < 0 || sourceRow + count > source.height() ||
            row + count > m_height)
            return;
        const auto bytes = static_cast<std::size_t>(m_image.bytesPerLine());
        for (int i = 0; i < count; ++i)
            std::memcpy(m_image.scanLine(row + i), source.pixelRow(sourceRow + i), bytes);
    }

private:
    QImage m_image;
    int m_height;
};

} // namespace

QImage stitch(std::span<const PixelBuffer> frames, std::span<const int> deltas, int stickyTop,
              int stickyBottom, ScrollStitcher::Guards guards) {
    if (frames.empty())
        return {};
    const int w = frames[0].width();
    const int h = frames[0].height();
    for (const PixelBuffer& frame : frames)
        if (frame.width() != w || frame.height() != h || frame.format() != frames[0].format())
            return {};
    const int top = std::clamp(stickyTop, 0, h);
    const int bottom = std::clamp(stickyBottom, 0, h);
    const int body = h - top - bottom;
    if (body < 1)
        return {};

    const int pairs = static_cast<int>(frames.size()) - 1;
    // raised[i]: how far frame i stands above frame 0 in the joined image.
    std::vector<int> raised(static_cast<std::size_t>(pairs) + 1, 0);
    qsizetype height = h;
    for (int i = 0; i < pairs; ++i) {
        const int d = std::clamp(i < static_cast<int>(deltas.size()) ? deltas[i] : 0, 0, body);
        height += d;
        if (height > std::numeric_limits<int>::max())
            return {};
        raised[i + 1] = raised[i] + d;
    }
    const int H = static_cast<int>(height);
    // The row of frame i that output row y shows.
    const auto rowIn = [&](int i, int y) { return y - (H - h) + raised[i]; };

    // Every output row is written by one of the copies below, so the image needs no fill.
    Output out(w, H, frames[0].format());
    if (out.isNull())
        return {};
    out.blit(frames[0], h - bottom, bottom, H - bottom);
    // Each body row comes from the first frame that shows it clear of the rows next to
    // the fixed bands (a bar's shadow), or, where none does, from the first that shows it.
    // Without such rows that is frame 0's body, then each frame's newly revealed rows.
    // Rows are taken from the bottom up, where later frames take over one after another.
    const int guardBottom = std::clamp(guards.bottom, 0, body);
    const int guardTop = std::clamp(guards.top, 0, body - guardBottom);
    int clear = 0;
    int shown = 0;
    for (int y = H - bottom - 1; y >= top; --y) {
        while (clear <= pairs && rowIn(clear, y) < top + guardTop)
            ++clear;
        while (shown <= pairs && rowIn(shown, y) < top)
            ++shown;
        const int frame =
            clear <= pairs && rowIn(clear, y) < h - bottom - guardBottom ? clear : shown;
        out.blit(frames[frame], rowIn(frame, y), 1, y);
    }
    out.blit(frames[pairs], 0, top, 0);
    return out.image();
}

namespace {

// Rows next to the fixed bands whose content does not move with the page: in `previous`
// the rows right under its top band, compared with where `next` shows them d rows further
// down; in `next` the rows right above its bottom band, compared with where `previous`
// shows them d rows higher up.
ScrollStitcher::Guards pairGuards(const PixelBuffer& previous, const PixelBuffer& next, int d,
                                  int top, int bottom) {
    const int h = previous.height();
    const int columns = (previous.width() + wholeRowColumnStep - 1) / wholeRowColumnStep;
    std::vector<std::uint8_t> a(static_cast<std::size_t>(columns));
    std::vector<std::uint8_t> b(static_cast<std::size_t>(columns));
    const auto matches = [&](int previousRow, int nextRow) {
        kernels::gather(previous.lumaRow(previousRow), wholeRowColumnStep, columns, a.data());
        kernels::gather(next.lumaRow(nextRow), wholeRowColumnStep, columns, b.data());
        return kernels::sumOfAbsoluteDifferences(a.data(), b.data(), columns) <=
               maxRowCost * columns;
    };
    ScrollStitcher::Guards g;
    while (g.top < maxGuardRows && top + g.top + d < h - bottom &&
           !matches(top + g.top, top + g.top + d))
        ++g.top;
    const int aboveBottom = h - bottom - 1;
    while (g.bottom < maxGuardRows && bottom + g.bottom + d < h - top &&
           !matches(aboveBottom - g.bottom - d, aboveBottom - g.bottom))
        ++g.bottom;
    return g;
}

} // namespace

ScrollStitcher::Guards guards(std::span<const PixelBuffer> frames, std::span<const int> deltas,
                              int stickyTop, int stickyBottom) {
    std::vector<int> tops;
    std::vector<int> bottoms;
    for (std::size_t i = 1; i < frames.size() && i - 1 < deltas.size(); ++i) {
        const int d = deltas[i - 1];
        if (d <= 0 || frames[i].width() != frames[0].width() ||
            frames[i].height() != frames[0].height())
            continue;
        const auto g = pairGuards(frames[i - 1], frames[i], d, stickyTop, stickyBottom);
        tops.push_back(g.top);
        bottoms.push_back(g.bottom);
    }
    if (tops.empty())
        return {};
    // A shadow shows in every pair; a row that changed once by itself does not count.
    const auto median = [](std::vector<int>& v) {
        std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
        return v[v.size() / 2];
    };
    return {median(tops), median(bottoms)};
}

} // namespace stitch

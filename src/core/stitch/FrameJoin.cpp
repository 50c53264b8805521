#include "core/stitch/BufferPasses.h"
#include "core/stitch/LumaKernels.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <limits>
#include <vector>

namespace stitch {

namespace {

constexpr int maxGuardRows = 24; // a bar's shadow is a few rows, also at twice the scale

// The joined image with rows counted bottom-up, like the frames.
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
            std::memcpy(m_image.scanLine(m_height - 1 - (row + i)), source.pixelRow(sourceRow + i),
                        bytes);
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
    const int T = std::clamp(stickyTop, 0, h);
    const int B = std::min(h - T, std::clamp(stickyBottom, 0, h));
    const int body = h - T - B;
    if (body < 1)
        return {};

    const int pairs = static_cast<int>(frames.size()) - 1;
    // offsets[i]: how far frame i stands above frame 0 in the joined image.
    std::vector<int> offsets(static_cast<std::size_t>(pairs) + 1, 0);
    qsizetype height = h;
    for (int i = 0; i < pairs; ++i) {
        const int d = std::clamp(i < static_cast<int>(deltas.size()) ? deltas[i] : 0, 0, body);
        height += d;
        if (height > std::numeric_limits<int>::max())
            return {};
        offsets[i + 1] = offsets[i] + d;
    }
    const int H = static_cast<int>(height);

    // Every output row is written by one of the copies below, so the image needs no fill.
    Output out(w, H, frames[0].format());
    if (out.isNull())
        return {};
    out.blit(frames[0], 0, T, 0);
    // Each body row comes from the first frame that shows it clear of the rows next to
    // the fixed bands (a bar's shadow), or, where none does, from the first that shows it.
    // Without such rows that is frame 0's body, then each frame's newly revealed rows.
    const int guardTop = std::clamp(guards.top, 0, body);
    const int guardBottom = std::clamp(guards.bottom, 0, body - guardTop);
    int clear = 0;
    int shown = 0;
    for (int y = T; y < H - B; ++y) {
        while (clear <= pairs && y - offsets[clear] >= h - B - guardBottom)
            ++clear;
        while (shown <= pairs && y - offsets[shown] >= h - B)
            ++shown;
        const int frame = clear <= pairs && y - offsets[clear] >= T + guardTop ? clear : shown;
        out.blit(frames[frame], y - offsets[frame], 1, y);
    }
    out.blit(frames[pairs], h - B, B, H - B);
    return out.image();
}

namespace {

// Rows next to the fixed bands whose content does not move with the page: in `previous`
// the rows right under its top band, compared with where `next` shows them further
// down; in `next` the rows right above its bottom band, compared with `previous`.
ScrollStitcher::Guards pairGuards(const PixelBuffer& previous, const PixelBuffer& next, int d,
                                  int T, int B) {
    const int h = previous.height();
    const int columns = (previous.width() + 3) / 4;
    std::vector<std::uint8_t> a(static_cast<std::size_t>(columns));
    std::vector<std::uint8_t> b(static_cast<std::size_t>(columns));
    const auto matches = [&](int previousRow, int nextRow) {
        kernels::gather(previous.lumaRow(previousRow), 4, columns, a.data());
        kernels::gather(next.lumaRow(nextRow), 4, columns, b.data());
        return kernels::sumOfAbsoluteDifferences(a.data(), b.data(), columns) <= 3.0 * columns;
    };
    ScrollStitcher::Guards g;
    while (g.bottom < maxGuardRows && h - B - 1 - g.bottom - d >= T &&
           !matches(h - B - 1 - g.bottom, h - B - 1 - g.bottom - d))
        ++g.bottom;
    while (g.top < maxGuardRows && T + g.top + d < h - B && !matches(T + g.top + d, T + g.top))
        ++g.top;
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

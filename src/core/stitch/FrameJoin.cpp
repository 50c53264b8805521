#include "core/stitch/BufferPasses.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <limits>
#include <vector>

namespace stitch {

namespace {

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
              int stickyBottom) {
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
    std::vector<int> d(static_cast<std::size_t>(pairs));
    qsizetype height = h;
    for (int i = 0; i < pairs; ++i) {
        d[i] = std::clamp(i < static_cast<int>(deltas.size()) ? deltas[i] : 0, 0, body);
        height += d[i];
    }
    if (height > std::numeric_limits<int>::max())
        return {};
    const int H = static_cast<int>(height);

    // Every output row is written by one of the copies below, so the image needs no fill.
    Output out(w, H, frames[0].format());
    if (out.isNull())
        return {};
    out.blit(frames[0], 0, T, 0);
    out.blit(frames[0], T, h - B - T, T);
    int cursor = h - B;
    for (int i = 1; i <= pairs; ++i) {
        const int n = d[i - 1];
        if (n > 0) {
            out.blit(frames[i], h - B - n, n, cursor);
            cursor += n;
        }
    }
    out.blit(frames[pairs], h - B, B, cursor);
    return out.image();
}

} // namespace stitch

#include "StitchReference.h"

#include "core/stitch/BufferPasses.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace reference {

namespace {

struct Buffer {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba; // rows from the top, R G B A premultiplied
    std::vector<std::uint8_t> luma;
};

std::optional<Buffer> makeBuffer(const QImage& image) {
    if (image.width() < 1 || image.height() < 1)
        return std::nullopt;
    const QImage drawn = image.convertToFormat(QImage::Format_RGBA8888_Premultiplied);
    Buffer b;
    b.width = drawn.width();
    b.height = drawn.height();
    const std::size_t rowBytes = std::size_t(b.width) * 4;
    b.rgba.resize(rowBytes * b.height);
    for (int i = 0; i < b.height; ++i)
        std::memcpy(b.rgba.data() + i * rowBytes, drawn.constScanLine(i), rowBytes);
    b.luma.resize(std::size_t(b.width) * b.height);
    for (std::size_t p = 0; p < b.luma.size(); ++p) {
        const std::uint8_t* px = b.rgba.data() + 4 * p;
        b.luma[p] = std::uint8_t((77 * px[0] + 150 * px[1] + 29 * px[2]) >> 8);
    }
    return b;
}

int at(const Buffer& b, int row, int x) {
    return b.luma[std::size_t(row) * b.width + x];
}

} // namespace

std::optional<int> scrollDelta(const QImage& previous, const QImage& next, int ignoreTop,
                               int ignoreBottom) {
    const auto p = makeBuffer(previous);
    const auto n = makeBuffer(next);
    if (!p || !n || p->width != n->width || p->height != n->height)
        return std::nullopt;
    const int h = n->height;
    const int top = std::clamp(ignoreTop, 0, h), bottom = std::clamp(ignoreBottom, 0, h);
    const int maxShift = h - top - 48 - bottom;
    if (maxShift < 0)
        return std::nullopt;
    const stitch::ColumnRange page = stitch::pageColumns(
        *stitch::PixelBuffer::make(previous), *stitch::PixelBuffer::make(next), top, bottom, 0);
    int bestShift = 0;
    double bestCost = INFINITY;
    for (int s = 0; s <= maxShift; ++s) {
        double sum = 0;
        int count = 0;
        for (int k = 0; k <= 45; k += 3) // up from the band's bottom edge
            for (int x = page.first; x < page.end; x += 3) {
                const int row = h - bottom - 1 - k;
                sum += std::abs(at(*n, row, x) - at(*p, row - s, x));
                ++count;
            }
        const double cost = sum / count;
        if (cost < bestCost) {
            bestCost = cost;
            bestShift = s;
        }
    }
    if (bestCost > 18.0)
        return std::nullopt;
    return bestShift < 3 ? 0 : bestShift;
}

std::pair<int, int> stickyBands(const QList<QImage>& frames) {
    if (frames.size() < 2)
        return {0, 0};
    std::vector<Buffer> buffers;
    for (const QImage& frame : frames) {
        auto b = makeBuffer(frame);
        if (!b)
            return {0, 0};
        buffers.push_back(std::move(*b));
    }
    const int w = buffers[0].width, h = buffers[0].height;
    for (const Buffer& b : buffers)
        if (b.width != w || b.height != h)
            return {0, 0};
    const int limit = int(double(h) * 0.3);
    if (limit < 1)
        return {0, 0};
    auto matches = [&](int r) {
        for (std::size_t j = 1; j < buffers.size(); ++j) {
            double sum = 0;
            int count = 0;
            for (int x = 0; x < w; x += 4) {
                sum += std::abs(at(buffers[0], r, x) - at(buffers[j], r, x));
                ++count;
            }
            if (sum / count > 3.0)
                return false;
        }
        return true;
    };
    int top = 0;
    while (top < limit && matches(top))
        ++top;
    int bottom = 0;
    while (bottom < limit && matches(h - 1 - bottom))
        ++bottom;
    return {top, bottom};
}

QImage stitch(const QList<QImage>& frames, const QList<int>& deltas, int stickyTop,
              int stickyBottom) {
    if (frames.isEmpty())
        return {};
    if (frames.size() == 1)
        return frames[0];
    std::vector<Buffer> buffers;
    for (const QImage& frame : frames) {
        auto b = makeBuffer(frame);
        if (!b)
            return {};
        buffers.push_back(std::move(*b));
    }
    const int w = buffers[0].width, h = buffers[0].height;
    for (const Buffer& b : buffers)
        if (b.width != w || b.height != h)
            return {};
    const int top = std::clamp(stickyTop, 0, h);
    const int bottom = std::clamp(stickyBottom, 0, h);
    const int body = h - top - bottom;
    if (body < 1)
        return {};
    std::vector<int> d;
    int H = h;
    for (int i = 0; i + 1 < int(buffers.size()); ++i) {
        d.push_back(std::clamp(i < deltas.size() ? deltas[i] : 0, 0, body));
        H += d.back();
    }
    const std::size_t rowBytes = std::size_t(w) * 4;
    std::vector<std::uint8_t> out(rowBytes * H, 0);
    auto blit = [&](const Buffer& src, int srcRow, int n, int dstRow) {
        if (n < 1 || srcRow < 0 || dstRow < 0 || srcRow + n > src.height || dstRow + n > H)
            return;
        std::memcpy(out.data() + dstRow * rowBytes, src.rgba.data() + srcRow * rowBytes,
                    n * rowBytes);
    };
    // From the bottom up: frame 0's bottom band and body, the rows each later frame brought
    // in under its top band, the last frame's top band.
    blit(buffers[0], h - bottom, bottom, H - bottom);
    int cursor = H - h + top;
    blit(buffers[0], top, body, cursor);
    for (std::size_t i = 1; i < buffers.size(); ++i) {
        const int n = d[i - 1];
        if (n > 0) {
            cursor -= n;
            blit(buffers[i], top, n, cursor);
        }
    }
    blit(buffers.back(), 0, top, 0);
    QImage image(w, H, QImage::Format_RGBA8888_Premultiplied);
    for (int i = 0; i < H; ++i)
        std::memcpy(image.scanLine(i), out.data() + std::size_t(i) * rowBytes, rowBytes);
    return image;
}

} // namespace reference

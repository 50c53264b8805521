#include "core/stitch/ScrollStitcher.h"

#include "core/stitch/BufferPasses.h"

#include <algorithm>
#include <vector>

namespace ScrollStitcher {

using stitch::PixelBuffer;

namespace {

// All frames read, or nothing when any of them cannot be.
std::optional<std::vector<PixelBuffer>> readAll(const QList<QImage>& frames, PixelBuffer::Luma luma,
                                                bool sameFormat) {
    std::vector<PixelBuffer> buffers;
    buffers.reserve(static_cast<std::size_t>(frames.size()));
    for (const QImage& frame : frames) {
        auto buffer =
            sameFormat ? PixelBuffer::makeRgba(frame, luma) : PixelBuffer::make(frame, luma);
        if (!buffer)
            return std::nullopt;
        buffers.push_back(std::move(*buffer));
    }
    return buffers;
}

bool formatsDiffer(const std::vector<PixelBuffer>& buffers) {
    for (const PixelBuffer& buffer : buffers)
        if (buffer.format() != buffers.front().format())
            return true;
    return false;
}

} // namespace

std::optional<int> scrollDelta(const QImage& previous, const QImage& next, int ignoreTop,
                               int ignoreBottom) {
    const auto p = PixelBuffer::make(previous);
    const auto n = PixelBuffer::make(next);
    if (!p || !n)
        return std::nullopt;
    return stitch::scrollDelta(*p, *n, ignoreTop, ignoreBottom);
}

std::optional<Match> scrollMatch(const QImage& previous, const QImage& next, int ignoreTop,
                                 int ignoreBottom) {
    const auto p = PixelBuffer::make(previous);
    const auto n = PixelBuffer::make(next);
    if (!p || !n)
        return std::nullopt;
    return stitch::scrollMatch(*p, *n, ignoreTop, ignoreBottom);
}

std::optional<Match> guidedMatch(const QImage& previous, const QImage& next, int ignoreTop,
                                 int ignoreBottom, int expected) {
    const auto p = PixelBuffer::make(previous);
    const auto n = PixelBuffer::make(next);
    if (!p || !n)
        return std::nullopt;
    return stitch::guidedMatch(*p, *n, ignoreTop, ignoreBottom, expected);
}

StickyBands stickyBands(const QList<QImage>& frames) {
    if (frames.size() < 2)
        return {};
    const auto buffers = readAll(frames, PixelBuffer::Luma::Compute, false);
    return buffers ? stitch::stickyBands(*buffers) : StickyBands{};
}

QImage stitch(const QList<QImage>& frames, const QList<int>& deltas, int stickyTop,
              int stickyBottom, Guards guards) {
    if (frames.isEmpty())
        return {};
    if (frames.size() == 1)
        return frames.front();
    auto buffers = readAll(frames, PixelBuffer::Luma::Skip, false);
    if (buffers && formatsDiffer(*buffers))
        buffers = readAll(frames, PixelBuffer::Luma::Skip, true);
    if (!buffers)
        return {};
    return stitch::stitch(*buffers, std::span<const int>(deltas.constData(), deltas.size()),
                          stickyTop, stickyBottom, guards);
}

namespace {

Pass join(const QList<QImage>& frames, const QList<int>* known) {
    Pass pass;
    if (frames.size() < 2) {
        pass.image = stitch(frames, {}, 0, 0);
        return pass;
    }
    auto buffers = readAll(frames, PixelBuffer::Luma::Compute, false);
    if (buffers && formatsDiffer(*buffers))
        buffers = readAll(frames, PixelBuffer::Luma::Compute, true);
    if (!buffers) {
        // A frame that cannot be read: nothing can be joined.
        for (qsizetype i = 1; i < frames.size(); ++i)
            pass.deltas.append(0);
        return pass;
    }
    pass.bands = stitch::stickyBands(*buffers);
    for (std::size_t i = 1; i < buffers->size(); ++i) {
        const auto at = static_cast<qsizetype>(i - 1);
        pass.deltas.append(known ? (at < known->size() ? std::max(0, known->at(at)) : 0)
                                 : stitch::scrollDelta((*buffers)[i - 1], (*buffers)[i],
                                                       pass.bands.top, pass.bands.bottom)
                                       .value_or(0));
    }
    const std::span<const int> deltas(pass.deltas.constData(), pass.deltas.size());
    pass.guards = stitch::guards(*buffers, deltas, pass.bands.top, pass.bands.bottom);
    pass.image = stitch::stitch(*buffers, deltas, pass.bands.top, pass.bands.bottom, pass.guards);
    return pass;
}

} // namespace

Pass stitchAll(const QList<QImage>& frames) {
    return join(frames, nullptr);
}

Pass stitchAll(const QList<QImage>& frames, const QList<int>& deltas) {
    return join(frames, &deltas);
}

} // namespace ScrollStitcher

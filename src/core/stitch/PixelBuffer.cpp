#include "core/stitch/PixelBuffer.h"

#include "core/stitch/LumaKernels.h"

#include <QColorSpace>

static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN, "32-bit pixel formats are read as bytes");

namespace stitch {

namespace {

// The byte orders read directly: B, G, R, A (the 32-bit ARGB formats on a little-endian
// machine) and R, G, B, A. Alpha is 255 in the formats without it, so they are
// premultiplied too.
bool isBgra(QImage::Format format) {
    return format == QImage::Format_RGB32 || format == QImage::Format_ARGB32_Premultiplied;
}
bool isRgba(QImage::Format format) {
    return format == QImage::Format_RGBX8888 || format == QImage::Format_RGBA8888_Premultiplied;
}

QImage inSrgb(const QImage& image) {
    const QColorSpace space = image.colorSpace();
    if (space.isValid() && space != QColorSpace(QColorSpace::SRgb))
        return image.convertedToColorSpace(QColorSpace::SRgb);
    return image;
}

} // namespace

std::optional<PixelBuffer> PixelBuffer::make(const QImage& image, Luma luma) {
    if (image.width() < 1 || image.height() < 1)
        return std::nullopt;
    QImage pixels = inSrgb(image);
    if (isBgra(pixels.format()) || isRgba(pixels.format()))
        return fromReadable(std::move(pixels), luma);
    const QImage::Format target = pixels.format() == QImage::Format_ARGB32
                                      ? QImage::Format_ARGB32_Premultiplied
                                      : QImage::Format_RGBA8888_Premultiplied;
    return fromReadable(pixels.convertToFormat(target), luma);
}

std::optional<PixelBuffer> PixelBuffer::makeRgba(const QImage& image, Luma luma) {
    if (image.width() < 1 || image.height() < 1)
        return std::nullopt;
    return fromReadable(inSrgb(image).convertToFormat(QImage::Format_RGBA8888_Premultiplied), luma);
}

std::optional<PixelBuffer> PixelBuffer::fromReadable(QImage pixels, Luma luma) {
    if (pixels.isNull() || pixels.width() < 1 || pixels.height() < 1)
        return std::nullopt;
    PixelBuffer buffer;
    buffer.m_width = pixels.width();
    buffer.m_height = pixels.height();
    buffer.m_pixels = std::move(pixels);
    if (luma == Luma::Skip)
        return buffer;
    buffer.m_bgra = isBgra(buffer.format());
    buffer.m_luma.resize(static_cast<std::size_t>(buffer.m_width) *
                         static_cast<std::size_t>(buffer.m_height));
    buffer.m_lumaReady.assign(static_cast<std::size_t>(buffer.m_height), 0);
    return buffer;
}

void PixelBuffer::computeLuma(int row, std::uint8_t* luma) const {
    if (m_bgra)
        kernels::lumaFromBgra(pixelRow(row), luma, m_width);
    else
        kernels::lumaFromRgba(pixelRow(row), luma, m_width);
    m_lumaReady[static_cast<std::size_t>(row)] = 1;
}

} // namespace stitch

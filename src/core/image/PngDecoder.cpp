#include "core/image/PngDecoder.h"

#include "core/image/CaptureBounds.h"
#include "core/image/PngRowReader.h"

namespace png {

namespace {

// Rows longer than this (half a million pixels) are left to the general reader.
constexpr qsizetype largestRowBytes = qsizetype(2) << 20;

template <int bpp> void toPixels(const uchar* __restrict row, int width, QRgb* __restrict out) {
    for (int x = 0; x < width; ++x, row += bpp)
        out[x] = qRgba(row[0], row[1], row[2], bpp == 4 ? row[3] : 255);
}

std::optional<QImage> decode(RowReader& reader) {
    const std::optional<RowReader::Header> header = reader.open();
    if (!header || header->managedColours || header->rowBytes() + 1 > largestRowBytes ||
        !capture_bounds::fits(QSize(header->width, header->height)))
        return std::nullopt;
    const bool alpha = header->bytesPerPixel == 4;
    QImage image(header->width, header->height,
                 alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (image.isNull())
        return std::nullopt;
    const int width = header->width;
    const bool ok = reader.readRows([&image, width, alpha](int y, const uchar* row) {
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        alpha ? toPixels<4>(row, width, out) : toPixels<3>(row, width, out);
    });
    if (!ok)
        return std::nullopt; // the general reader may still cope when memory was short
    return image;
}

} // namespace

std::optional<QImage> decodePlain(const QByteArray& bytes) {
    RowReader reader(bytes);
    return decode(reader);
}

std::optional<QImage> decodePlain(QIODevice* device) {
    RowReader reader(device);
    return decode(reader);
}

} // namespace png

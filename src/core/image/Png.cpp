#include "core/image/Png.h"

#include <QSaveFile>
#include <QtEndian>
#include <cstring>
#include <memory>
#include <spng.h>
#include <vector>

namespace png {

namespace {

// Measured on screenshots: deflate level 1 with unfiltered rows is about three times
// faster than a general-purpose writer and still gives smaller files on screen content
// (long runs of identical pixels). Photo-like areas compress better with the sub filter,
// so rows may pick either; the cheap heuristic costs little next to deflate itself.
constexpr int compressionLevel = 1;
constexpr int filterChoice = SPNG_FILTER_CHOICE_NONE | SPNG_FILTER_CHOICE_SUB;

struct SpngDeleter {
    void operator()(spng_ctx* ctx) const { spng_ctx_free(ctx); }
};
using SpngContext = std::unique_ptr<spng_ctx, SpngDeleter>;

// How rows of the source become rows of the file.
enum class RowCopy {
    AsIs,         // the source row is already in the file's sample order
    BgrxToRgb,    // 32-bit Qt pixels (0xAARRGGBB, little-endian) without their alpha
    BgraToRgba,   // 32-bit Qt pixels with straight alpha
    RgbxToRgb,    // byte-ordered RGBA/RGBX without the fourth byte
    Rgbx16ToRgb16 // 16-bit RGBA/RGBX without the fourth sample
};

struct Plan {
    QImage image; // the source, converted at most once
    uint8_t colorType = SPNG_COLOR_TYPE_TRUECOLOR;
    uint8_t bitDepth = 8;
    int channels = 3;
    RowCopy copy = RowCopy::AsIs;
};

bool opaque32(const QImage& image) {
    // Alpha is the top byte of a 32-bit pixel for ARGB32 and, read little-endian, for RGBA8888.
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const quint32*>(image.constScanLine(y));
        quint32 all = 0xff000000u;
        for (int x = 0; x < image.width(); ++x)
            all &= row[x];
        if ((all & 0xff000000u) != 0xff000000u)
            return false;
    }
    return true;
}

bool opaque64(const QImage& image) {
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const quint16*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if (row[4 * x + 3] != 0xffff)
                return false;
    }
    return true;
}

Plan plan32(QImage image) {
    Plan p;
    const bool hasAlpha = image.format() != QImage::Format_RGB32 && !opaque32(image);
    if (!hasAlpha) {
        p.copy = RowCopy::BgrxToRgb;
    } else {
        if (image.format() != QImage::Format_ARGB32)
            image.convertTo(QImage::Format_ARGB32);
        p.colorType = SPNG_COLOR_TYPE_TRUECOLOR_ALPHA;
        p.channels = 4;
        p.copy = RowCopy::BgraToRgba;
    }
    p.image = std::move(image);
    return p;
}

Plan planFor(const QImage& image) {
    // Floating-point pixels keep their precision as 16-bit samples.
    const bool floating = image.pixelFormat().typeInterpretation() == QPixelFormat::FloatingPoint;
    const QImage source =
        floating ? image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_RGBA64
                                                                 : QImage::Format_RGBX64)
                 : image;
    Plan p;
    switch (source.format()) {
    case QImage::Format_RGB888:
        p.image = source;
        return p;
    case QImage::Format_Grayscale8:
        p.image = source;
        p.colorType = SPNG_COLOR_TYPE_GRAYSCALE;
        p.channels = 1;
        return p;
    case QImage::Format_Grayscale16:
        p.image = source;
        p.colorType = SPNG_COLOR_TYPE_GRAYSCALE;
        p.channels = 1;
        p.bitDepth = 16;
        return p;
    case QImage::Format_RGBX8888:
        p.image = source;
        p.copy = RowCopy::RgbxToRgb;
        return p;
    case QImage::Format_RGBA8888:
    case QImage::Format_RGBA8888_Premultiplied:
        if (Q_BYTE_ORDER == Q_LITTLE_ENDIAN && opaque32(source)) {
            p.image = source;
            p.copy = RowCopy::RgbxToRgb;
        } else {
            p.image = source.convertToFormat(QImage::Format_RGBA8888);
            p.colorType = SPNG_COLOR_TYPE_TRUECOLOR_ALPHA;
            p.channels = 4;
        }
        return p;
    case QImage::Format_RGBX64:
    case QImage::Format_RGBA64:
    case QImage::Format_RGBA64_Premultiplied:
        p.bitDepth = 16;
        if (source.format() == QImage::Format_RGBX64 || opaque64(source)) {
            p.image = source;
            p.copy = RowCopy::Rgbx16ToRgb16;
        } else {
            p.image = source.convertToFormat(QImage::Format_RGBA64);
            p.colorType = SPNG_COLOR_TYPE_TRUECOLOR_ALPHA;
            p.channels = 4;
        }
        return p;
    default:
        break;
    }
    if (Q_BYTE_ORDER != Q_LITTLE_ENDIAN) {
        // Byte-ordered formats read the same on any host.
        p.image = source.convertToFormat(source.hasAlphaChannel() ? QImage::Format_RGBA8888
                                                                  : QImage::Format_RGB888);
        if (source.hasAlphaChannel()) {
            p.colorType = SPNG_COLOR_TYPE_TRUECOLOR_ALPHA;
            p.channels = 4;
        }
        return p;
    }
    switch (source.format()) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied:
        return plan32(source);
    default:
        // Indexed, mono, packed 16-bit, 30-bit, float: one conversion to the common layout.
        return plan32(source.convertToFormat(source.hasAlphaChannel() ? QImage::Format_ARGB32
                                                                      : QImage::Format_RGB32));
    }
}

void copyRow(RowCopy copy, const uchar* in, uchar* out, int width) {
    switch (copy) {
    case RowCopy::AsIs:
        break;
    case RowCopy::BgrxToRgb:
        for (int x = 0; x < width; ++x, in += 4, out += 3) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
        }
        break;
    case RowCopy::BgraToRgba:
        for (int x = 0; x < width; ++x, in += 4, out += 4) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
            out[3] = in[3];
        }
        break;
    case RowCopy::RgbxToRgb:
        for (int x = 0; x < width; ++x, in += 4, out += 3)
            std::memcpy(out, in, 3);
        break;
    case RowCopy::Rgbx16ToRgb16:
        for (int x = 0; x < width; ++x, in += 8, out += 6)
            std::memcpy(out, in, 6);
        break;
    }
}

} // namespace

QByteArray encode(const QImage& image) {
    if (image.isNull())
        return {};
    const Plan p = planFor(image);
    const int width = p.image.width();
    const int height = p.image.height();

    SpngContext ctx(spng_ctx_new(SPNG_CTX_ENCODER));
    if (!ctx)
        return {};
    spng_set_option(ctx.get(), SPNG_ENCODE_TO_BUFFER, 1);
    spng_set_option(ctx.get(), SPNG_IMG_COMPRESSION_LEVEL, compressionLevel);
    spng_set_option(ctx.get(), SPNG_FILTER_CHOICE, filterChoice);

    spng_ihdr ihdr{};
    ihdr.width = static_cast<uint32_t>(width);
    ihdr.height = static_cast<uint32_t>(height);
    ihdr.bit_depth = p.bitDepth;
    ihdr.color_type = p.colorType;
    if (spng_set_ihdr(ctx.get(), &ihdr) != 0)
        return {};
    // Samples of 16-bit formats are in host order, which is what this format flag expects.
    if (spng_encode_image(ctx.get(), nullptr, 0, SPNG_FMT_PNG,
                          SPNG_ENCODE_PROGRESSIVE | SPNG_ENCODE_FINALIZE) != 0)
        return {};

    const size_t rowBytes = static_cast<size_t>(width) * p.channels * (p.bitDepth / 8);
    std::vector<uchar> row(p.copy == RowCopy::AsIs ? 0 : rowBytes);
    int status = 0;
    for (int y = 0; y < height; ++y) {
        const uchar* in = p.image.constScanLine(y);
        if (p.copy != RowCopy::AsIs) {
            copyRow(p.copy, in, row.data(), width);
            in = row.data();
        }
        status = spng_encode_row(ctx.get(), in, rowBytes);
        if (status != 0 && status != SPNG_EOI)
            return {};
    }
    if (status != SPNG_EOI)
        return {};

    size_t length = 0;
    int error = 0;
    void* buffer = spng_get_png_buffer(ctx.get(), &length, &error);
    if (!buffer || error != 0)
        return {};
    QByteArray bytes(static_cast<const char*>(buffer), static_cast<qsizetype>(length));
    std::free(buffer);
    return bytes;
}

bool write(const QImage& image, const QString& path, QString* error) {
    const QByteArray bytes = encode(image);
    if (bytes.isEmpty()) {
        if (error)
            *error = QStringLiteral("the image could not be encoded");
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

} // namespace png

#include "core/image/PngRows.h"

#include <QtEndian>
#include <cstdlib>
#include <cstring>

namespace png {

namespace {

constexpr int grey = 0;
constexpr int truecolour = 2;
constexpr int truecolourAlpha = 6;

bool opaque32(const QImage& image) {
    // Alpha is the top byte of a 32-bit pixel for ARGB32 and, read little-endian, RGBA8888.
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

inline int paeth(int a, int b, int c) {
    const int pa = std::abs(b - c);
    const int pb = std::abs(a - c);
    const int pc = std::abs(a + b - 2 * c);
    const int bc = pb <= pc ? b : c;
    return pa <= pb && pa <= pc ? a : bc;
}

// Filtered bytes count as signed: small differences either way are cheap to compress.
inline unsigned magnitude(uchar v) {
    const int s = static_cast<signed char>(v);
    return static_cast<unsigned>(s < 0 ? -s : s);
}

} // namespace

RowSource::RowSource(const QImage& image) {
    // Floating-point pixels keep their precision as 16-bit samples.
    if (image.pixelFormat().typeInterpretation() == QPixelFormat::FloatingPoint)
        plan(image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_RGBA64
                                                           : QImage::Format_RGBX64));
    else
        plan(image);
}

void RowSource::plan32(QImage image) {
    if (image.format() == QImage::Format_RGB32 || opaque32(image)) {
        m_copy = Copy::BgrxToRgb;
    } else {
        if (image.format() != QImage::Format_ARGB32)
            image.convertTo(QImage::Format_ARGB32);
        m_colorType = truecolourAlpha;
        m_channels = 4;
        m_copy = Copy::BgraToRgba;
    }
    m_image = std::move(image);
}

void RowSource::plan(const QImage& image) {
    constexpr bool little = Q_BYTE_ORDER == Q_LITTLE_ENDIAN;
    constexpr Copy wide = little ? Copy::Swap16 : Copy::AsIs;
    m_image = image;
    switch (image.format()) {
    case QImage::Format_RGB888:
        return;
    case QImage::Format_Grayscale8:
        m_colorType = grey;
        m_channels = 1;
        return;
    case QImage::Format_Grayscale16:
        m_colorType = grey;
        m_channels = 1;
        m_bitDepth = 16;
        m_copy = wide;
        return;
    case QImage::Format_RGBX8888:
        m_copy = Copy::RgbxToRgb;
        return;
    case QImage::Format_RGBA8888:
    case QImage::Format_RGBA8888_Premultiplied:
        if (little && opaque32(image)) {
            m_copy = Copy::RgbxToRgb;
        } else {
            m_image = image.convertToFormat(QImage::Format_RGBA8888);
            m_colorType = truecolourAlpha;
            m_channels = 4;
        }
        return;
    case QImage::Format_RGBX64:
    case QImage::Format_RGBA64:
    case QImage::Format_RGBA64_Premultiplied:
        m_bitDepth = 16;
        if (image.format() == QImage::Format_RGBX64 || opaque64(image)) {
            m_copy = Copy::Rgbx16ToRgb16;
        } else {
            m_image = image.convertToFormat(QImage::Format_RGBA64);
            m_colorType = truecolourAlpha;
            m_channels = 4;
            m_copy = wide;
        }
        return;
    default:
        break;
    }
    if (!little) {
        // Byte-ordered formats read the same on any host.
        const bool alpha = image.hasAlphaChannel();
        m_image = image.convertToFormat(alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
        m_colorType = alpha ? truecolourAlpha : truecolour;
        m_channels = alpha ? 4 : 3;
        return;
    }
    switch (image.format()) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied:
        plan32(image);
        return;
    default:
        // Indexed, mono, packed 16-bit, 30-bit: one conversion to the common layout.
        plan32(image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32
                                                             : QImage::Format_RGB32));
    }
}

void RowSource::row(int y, uchar* out) const {
    const uchar* in = m_image.constScanLine(y);
    const int w = width();
    switch (m_copy) {
    case Copy::AsIs:
        std::memcpy(out, in, static_cast<size_t>(rowBytes()));
        break;
    case Copy::BgrxToRgb:
        for (int x = 0; x < w; ++x, in += 4, out += 3) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
        }
        break;
    case Copy::BgraToRgba:
        for (int x = 0; x < w; ++x, in += 4, out += 4) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
            out[3] = in[3];
        }
        break;
    case Copy::RgbxToRgb:
        for (int x = 0; x < w; ++x, in += 4, out += 3)
            std::memcpy(out, in, 3);
        break;
    case Copy::Rgbx16ToRgb16: {
        const auto* samples = reinterpret_cast<const quint16*>(in);
        for (int x = 0; x < w; ++x, samples += 4, out += 6)
            for (int c = 0; c < 3; ++c)
                qToBigEndian(samples[c], out + 2 * c);
        break;
    }
    case Copy::Swap16: {
        const auto* samples = reinterpret_cast<const quint16*>(in);
        const qsizetype count = rowBytes() / 2;
        for (qsizetype i = 0; i < count; ++i)
            qToBigEndian(samples[i], out + 2 * i);
        break;
    }
    }
}

void filterRow(const uchar* row, const uchar* previous, uchar* out, uchar* scratch,
               qsizetype rowBytes, int bytesPerPixel) {
    const qsizetype bpp = std::min<qsizetype>(bytesPerPixel, rowBytes);
    const uchar* up = previous;
    // Plain loops without branches: the compiler turns them into vector code.
    auto sum = [rowBytes](const uchar* bytes) {
        unsigned total = 0;
        for (qsizetype i = 0; i < rowBytes; ++i)
            total += magnitude(bytes[i]);
        return total;
    };
    uchar* best = out + 1;
    std::memcpy(best, row, static_cast<size_t>(rowBytes));
    unsigned bestSum = sum(best);
    uchar bestType = 0;
    auto consider = [&](uchar type) {
        const unsigned candidate = sum(scratch);
        if (candidate < bestSum) {
            bestSum = candidate;
            bestType = type;
            std::memcpy(best, scratch, static_cast<size_t>(rowBytes));
        }
    };
    for (qsizetype i = 0; i < bpp; ++i)
        scratch[i] = row[i];
    for (qsizetype i = bpp; i < rowBytes; ++i)
        scratch[i] = static_cast<uchar>(row[i] - row[i - bpp]);
    consider(1); // sub
    for (qsizetype i = 0; i < rowBytes; ++i)
        scratch[i] = static_cast<uchar>(row[i] - up[i]);
    consider(2); // up
    for (qsizetype i = 0; i < bpp; ++i)
        scratch[i] = static_cast<uchar>(row[i] - (up[i] >> 1));
    for (qsizetype i = bpp; i < rowBytes; ++i)
        scratch[i] = static_cast<uchar>(row[i] - ((row[i - bpp] + up[i]) >> 1));
    consider(3); // average
    for (qsizetype i = 0; i < bpp; ++i)
        scratch[i] = static_cast<uchar>(row[i] - up[i]);
    for (qsizetype i = bpp; i < rowBytes; ++i)
        scratch[i] = static_cast<uchar>(row[i] - paeth(row[i - bpp], up[i], up[i - bpp]));
    consider(4); // Paeth
    out[0] = bestType;
}

} // namespace png

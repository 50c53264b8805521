#include "core/image/Png.h"

#include "core/image/PngRows.h"

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

// An image's rows as a PNG file holds them: RGB when every pixel is opaque, RGBA
// otherwise, grey for grey images, 16-bit samples for deep images. The image is converted
// at most once and kept here while the rows are read.
class Plan {
public:
    explicit Plan(const QImage& image);
    Rows rows() const;

private:
    void plan(const QImage& image);
    void plan32(QImage image);

    QImage m_image;
    int m_colorType = truecolour;
    int m_bitDepth = 8;
    int m_channels = 3;
    Rows::Copy m_copy = Rows::Copy::AsIs;
};

Plan::Plan(const QImage& image) {
    // Floating-point pixels keep their precision as 16-bit samples.
    if (image.pixelFormat().typeInterpretation() == QPixelFormat::FloatingPoint)
        plan(image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_RGBA64
                                                           : QImage::Format_RGBX64));
    else
        plan(image);
}

void Plan::plan32(QImage image) {
    if (image.format() == QImage::Format_RGB32 || opaque32(image)) {
        m_copy = Rows::Copy::BgrxToRgb;
    } else {
        if (image.format() != QImage::Format_ARGB32)
            image.convertTo(QImage::Format_ARGB32);
        m_colorType = truecolourAlpha;
        m_channels = 4;
        m_copy = Rows::Copy::BgraToRgba;
    }
    m_image = std::move(image);
}

void Plan::plan(const QImage& image) {
    constexpr bool little = Q_BYTE_ORDER == Q_LITTLE_ENDIAN;
    constexpr Rows::Copy wide = little ? Rows::Copy::Swap16 : Rows::Copy::AsIs;
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
        m_copy = Rows::Copy::RgbxToRgb;
        return;
    case QImage::Format_RGBA8888:
    case QImage::Format_RGBA8888_Premultiplied:
        if (little && opaque32(image)) {
            m_copy = Rows::Copy::RgbxToRgb;
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
            m_copy = Rows::Copy::Rgbx16ToRgb16;
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

Rows Plan::rows() const {
    Rows rows;
    rows.bits = m_image.constBits();
    rows.width = m_image.width();
    rows.height = m_image.height();
    rows.bytesPerLine = m_image.bytesPerLine();
    rows.copy = m_copy;
    rows.colorType = m_colorType;
    rows.bitDepth = m_bitDepth;
    rows.channels = m_channels;
    return rows;
}

} // namespace

QByteArray encode(const QImage& image) {
    if (image.isNull())
        return {};
    const Plan plan(image);
    return encodeRows(plan.rows());
}

bool write(const QImage& image, const QString& path, QString* error) {
    return writeFile(encode(image), path, error);
}

} // namespace png

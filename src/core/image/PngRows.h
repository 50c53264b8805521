#pragma once

#include <QImage>
#include <QtGlobal>

namespace png {

// An image's rows in the byte order of a PNG file: RGB when every pixel is opaque, RGBA
// otherwise, grey for grey images, 16-bit samples for deep images. The image is converted
// at most once; rows are then produced on demand, from any thread.
class RowSource {
public:
    explicit RowSource(const QImage& image);

    int width() const { return m_image.width(); }
    int height() const { return m_image.height(); }
    int bitDepth() const { return m_bitDepth; }
    int colorType() const { return m_colorType; }
    int bytesPerPixel() const { return m_channels * m_bitDepth / 8; }
    qsizetype rowBytes() const { return qsizetype(width()) * bytesPerPixel(); }
    // Writes row `y` (rowBytes() bytes) to `out`.
    void row(int y, uchar* out) const;

    enum class Copy {
        AsIs,          // already in file order
        BgrxToRgb,     // 32-bit Qt pixels (0xAARRGGBB, little-endian) without alpha
        BgraToRgba,    // the same with straight alpha
        RgbxToRgb,     // byte-ordered RGBA/RGBX without the fourth byte
        Rgbx16ToRgb16, // 16-bit RGBA/RGBX without the fourth sample
        Swap16         // 16-bit samples, host order to big-endian
    };

private:
    void plan(const QImage& image);
    void plan32(QImage image);

    QImage m_image;
    int m_colorType = 2; // truecolour
    int m_bitDepth = 8;
    int m_channels = 3;
    Copy m_copy = Copy::AsIs;
};

// Writes the filter type byte and the filtered row to `out` (rowBytes + 1 bytes), with
// the filter that leaves the smallest sum of magnitudes, as common PNG writers choose.
// `previous` is the row above (zeros above the first row); `scratch` holds rowBytes bytes.
void filterRow(const uchar* row, const uchar* previous, uchar* out, uchar* scratch,
               qsizetype rowBytes, int bytesPerPixel);

} // namespace png

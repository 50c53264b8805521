#pragma once

#include <QImage>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace stitch {

// A frame as the stitcher reads it: 32-bit premultiplied pixels in sRGB, row 0 at the top,
// and one luminance byte per pixel. The pixels are shared with the source image whenever its byte
// order is already one the stitcher reads, so a frame costs no copy; a row's luminance is
// computed when it is first read, since a shift search reads only 16 rows of one frame.
// Not for use by two threads at once.
class PixelBuffer {
public:
    enum class Luma { Compute, Skip };

    // Nothing for an empty image or one that cannot be converted.
    static std::optional<PixelBuffer> make(const QImage& image, Luma luma = Luma::Compute);
    // The same frame in the stitcher's own byte order (R, G, B, A), for joining frames of
    // mixed formats.
    static std::optional<PixelBuffer> makeRgba(const QImage& image, Luma luma = Luma::Skip);

    int width() const { return m_width; }
    int height() const { return m_height; }
    QImage::Format format() const { return m_pixels.format(); }
    const std::uint8_t* pixelRow(int row) const { return m_pixels.constScanLine(row); }
    const std::uint8_t* lumaRow(int row) const {
        std::uint8_t* luma =
            m_luma.data() + static_cast<std::size_t>(row) * static_cast<std::size_t>(m_width);
        if (!m_lumaReady[static_cast<std::size_t>(row)])
            computeLuma(row, luma);
        return luma;
    }

private:
    static std::optional<PixelBuffer> fromReadable(QImage pixels, Luma luma);
    void computeLuma(int row, std::uint8_t* luma) const;

    int m_width = 0;
    int m_height = 0;
    QImage m_pixels;
    mutable std::vector<std::uint8_t> m_luma;
    mutable std::vector<std::uint8_t> m_lumaReady; // per row
    bool m_bgra = false;
};

} // namespace stitch

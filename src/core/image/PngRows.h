#pragma once

#include <QByteArray>
#include <QtGlobal>
#include <atomic>

namespace png {

// Rows of pixels in memory and how each becomes a row of a PNG file: the file's colour
// type and depth, and the byte shuffle from memory order to file order. Read-only, so
// strips are produced from several threads at once.
struct Rows {
    enum class Copy {
        AsIs,          // already in file order
        BgrxToRgb,     // 32-bit 0xAARRGGBB pixels, little-endian, without alpha
        XrgbToRgb,     // the same, big-endian
        BgraToRgba,    // 32-bit little-endian pixels with straight alpha
        RgbxToRgb,     // byte-ordered RGBA/RGBX without the fourth byte
        Rgbx16ToRgb16, // 16-bit RGBA/RGBX without the fourth sample
        Swap16         // 16-bit samples, host order to big-endian
    };

    const uchar* bits = nullptr;
    int width = 0;
    int height = 0;
    qsizetype bytesPerLine = 0;
    Copy copy = Copy::AsIs;
    int colorType = 2; // truecolour
    int bitDepth = 8;
    int channels = 3;
    // Set while the rows are still arriving (a screen read in bands): how many rows from
    // the top can be read so far, or -1 once the rest will never come. Null: all are there.
    const std::atomic<int>* rowsReady = nullptr;

    int bytesPerPixel() const { return channels * bitDepth / 8; }
    qsizetype rowBytes() const { return qsizetype(width) * bytesPerPixel(); }
    // Writes row `y` (rowBytes() bytes) in file order to `out`.
    void row(int y, uchar* out) const;
};

// The whole PNG file for the rows; empty when it cannot be made. The rows are deflated in
// `strips` horizontal strips at once (0: as many as the cores and the size call for).
QByteArray encodeRows(const Rows& rows, int strips = 0);

// Writes the filter type byte and the filtered row to `out` (rowBytes + 1 bytes), with
// the filter that leaves the smallest sum of magnitudes, as common PNG writers choose.
// `previous` is the row above (zeros above the first row); `scratch` holds rowBytes bytes.
void filterRow(const uchar* row, const uchar* previous, uchar* out, uchar* scratch,
               qsizetype rowBytes, int bytesPerPixel);

} // namespace png

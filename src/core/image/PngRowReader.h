#pragma once

#include <QByteArray>
#include <QRgb>
#include <QtGlobal>
#include <functional>
#include <memory>
#include <optional>

class QIODevice;

namespace png {

// Reads the PNGs the program writes (8-bit truecolour with or without alpha, not
// interlaced) row by row, from bytes in memory or straight from a file: every chunk's
// bounds and checksum are checked up to IEND, and the rows are inflated on a second
// thread beside the caller's work on them. Decoders build on it; a file of another kind,
// or a damaged one, is refused so the caller can hand it to the general reader.
class RowReader {
public:
    struct Header {
        int width = 0;
        int height = 0;
        int bytesPerPixel = 0; // 3 (RGB) or 4 (RGBA)
        // Chunks that change what the pixels mean (gamma, profiles, transparency key).
        bool managedColours = false;
        // RGB files: the colour that stands for transparent (tRNS), compared as the
        // general reader does, by the low byte of each sample.
        std::optional<QRgb> transparentKey;

        qsizetype rowBytes() const { return qsizetype(width) * bytesPerPixel; }
    };

    // `bytes` or `device` must outlive the reader; the device is read from its position.
    explicit RowReader(const QByteArray& bytes);
    explicit RowReader(QIODevice* device);
    ~RowReader();
    RowReader(const RowReader&) = delete;
    RowReader& operator=(const RowReader&) = delete;

    // Reads up to the pixel data; nothing for another kind of file or a damaged one.
    std::optional<Header> open();

    // After open(): hands `row` every row in order, unfiltered (rowBytes() bytes in file
    // order, valid during the call), then checks the rest of the file. False when the file
    // proves damaged, or no thread or memory could be had; rows already handed over stay.
    bool readRows(const std::function<void(int y, const uchar* row)>& row);

private:
    struct Chunks;
    std::unique_ptr<Chunks> m_chunks;
    std::optional<Header> m_header;
};

} // namespace png

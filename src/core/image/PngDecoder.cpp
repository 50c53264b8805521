#include "core/image/PngDecoder.h"

#include <QImageReader>
#include <cstring>
#include <vector>
#include <zlib.h>

namespace png {

namespace {

quint32 bigEndian(const uchar* p) {
    return (quint32(p[0]) << 24) | (quint32(p[1]) << 16) | (quint32(p[2]) << 8) | quint32(p[3]);
}

struct Chunk {
    const uchar* type;
    const uchar* data;
    quint32 length;
};

// Walks the chunks after the signature, checking each one's bounds and checksum.
class Chunks {
public:
    explicit Chunks(const QByteArray& bytes)
        : m_bytes(reinterpret_cast<const uchar*>(bytes.constData()))
        , m_size(bytes.size()) {}

    // False at the end of the data or on a damaged chunk.
    bool next(Chunk& chunk) {
        if (m_size - m_at < 12)
            return false;
        const quint32 length = bigEndian(m_bytes + m_at);
        if (length > 0x7fffffffu || qsizetype(length) > m_size - m_at - 12)
            return false;
        const uchar* type = m_bytes + m_at + 4;
        const uLong crc = crc32(0, type, 4 + length);
        if (crc != bigEndian(type + 4 + length))
            return false;
        chunk = {type, type + 4, length};
        m_at += 12 + qsizetype(length);
        return true;
    }

private:
    const uchar* m_bytes;
    qsizetype m_size;
    qsizetype m_at = 8;
};

bool is(const Chunk& chunk, const char* type) {
    return std::memcmp(chunk.type, type, 4) == 0;
}

// Chunks that change what the pixels mean; the general reader honours them.
bool changesColours(const Chunk& chunk) {
    for (const char* type : {"iCCP", "gAMA", "cHRM", "sRGB", "sBIT", "tRNS", "cICP"}) {
        if (is(chunk, type))
            return true;
    }
    return false;
}

// Branch-free, so the three or four colour channels of a row run side by side.
uchar paeth(int a, int b, int c) {
    const int pa = std::abs(b - c);
    const int pb = std::abs(a - c);
    const int pc = std::abs(a + b - 2 * c);
    const int ab = pb < pa ? b : a;
    const int abMin = pb < pa ? pb : pa;
    return uchar(pc < abMin ? c : ab);
}

// Undoes one row's filter in place; `previous` is the row above (zeros for the first).
bool unfilter(int filter, uchar* row, const uchar* previous, qsizetype length, int bpp) {
    switch (filter) {
    case 0:
        return true;
    case 1:
        for (qsizetype i = bpp; i < length; ++i)
            row[i] = uchar(row[i] + row[i - bpp]);
        return true;
    case 2:
        for (qsizetype i = 0; i < length; ++i)
            row[i] = uchar(row[i] + previous[i]);
        return true;
    case 3:
        for (qsizetype i = 0; i < length; ++i) {
            const int left = i >= bpp ? row[i - bpp] : 0;
            row[i] = uchar(row[i] + ((left + previous[i]) >> 1));
        }
        return true;
    case 4:
        for (qsizetype i = 0; i < length; ++i) {
            const int left = i >= bpp ? row[i - bpp] : 0;
            const int upperLeft = i >= bpp ? previous[i - bpp] : 0;
            row[i] = uchar(row[i] + paeth(left, previous[i], upperLeft));
        }
        return true;
    default:
        return false;
    }
}

// The zlib stream of the IDAT chunks, inflated raw: its header is read here and its
// Adler-32 left unchecked, since every chunk's CRC already covers the same bytes.
class Inflater {
public:
    Inflater() { m_ok = inflateInit2(&m_stream, -15) == Z_OK; }
    ~Inflater() { inflateEnd(&m_stream); }
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;

    bool ok() const { return m_ok; }
    bool finished() const { return m_finished; }
    // False when the stream's header is not plain deflate.
    bool feed(const Chunk& chunk) {
        const uchar* data = chunk.data;
        quint32 length = chunk.length;
        while (m_header.size() < 2 && length > 0) {
            m_header.push_back(*data++);
            --length;
            if (m_header.size() == 2 &&
                ((m_header[0] & 0x0f) != 8 || (m_header[0] >> 4) > 7 || (m_header[1] & 0x20) ||
                 ((m_header[0] << 8) | m_header[1]) % 31 != 0))
                return false;
        }
        m_stream.next_in = const_cast<uchar*>(data);
        m_stream.avail_in = length;
        return true;
    }
    bool hasInput() const { return m_stream.avail_in > 0; }
    // Fills `out` as far as the input fed so far goes; false on damaged data.
    bool fill(uchar* out, size_t length, size_t& filled) {
        m_stream.next_out = out + filled;
        m_stream.avail_out = uInt(length - filled);
        const int result = inflate(&m_stream, Z_NO_FLUSH);
        filled = length - m_stream.avail_out;
        if (result == Z_STREAM_END)
            m_finished = true;
        return result == Z_OK || result == Z_STREAM_END || result == Z_BUF_ERROR;
    }

private:
    z_stream m_stream{};
    std::vector<uchar> m_header;
    bool m_ok = false;
    bool m_finished = false;
};

void toPixels(const uchar* row, int width, int bpp, QRgb* out) {
    if (bpp == 3) {
        for (int x = 0; x < width; ++x, row += 3)
            out[x] = qRgb(row[0], row[1], row[2]);
    } else {
        for (int x = 0; x < width; ++x, row += 4)
            out[x] = qRgba(row[0], row[1], row[2], row[3]);
    }
}

} // namespace

std::optional<QImage> decodePlain(const QByteArray& bytes) {
    if (!bytes.startsWith(QByteArrayLiteral("\x89PNG\r\n\x1a\n")))
        return std::nullopt;
    Chunks chunks(bytes);
    Chunk chunk{};
    if (!chunks.next(chunk) || !is(chunk, "IHDR") || chunk.length != 13)
        return std::nullopt;
    const quint32 width = bigEndian(chunk.data);
    const quint32 height = bigEndian(chunk.data + 4);
    const int depth = chunk.data[8];
    const int colorType = chunk.data[9];
    if (width == 0 || height == 0 || width > 0x7fffffffu || height > 0x7fffffffu || depth != 8 ||
        (colorType != 2 && colorType != 6) || chunk.data[10] != 0 || chunk.data[11] != 0 ||
        chunk.data[12] != 0)
        return std::nullopt;
    const int bpp = colorType == 2 ? 3 : 4;
    const qint64 limitBytes = qint64(QImageReader::allocationLimit()) * 1024 * 1024;
    if (limitBytes > 0 && qint64(width) * height * 4 > limitBytes)
        return std::nullopt;
    QImage image(int(width), int(height),
                 colorType == 2 ? QImage::Format_RGB32 : QImage::Format_ARGB32);
    if (image.isNull())
        return std::nullopt;

    const size_t rowLength = size_t(width) * bpp;
    std::vector<uchar> rows(2 * (rowLength + 1), 0); // the filter byte, then the row
    uchar* current = rows.data();
    uchar* previous = rows.data() + rowLength + 1;
    Inflater inflater;
    if (!inflater.ok())
        return std::nullopt;
    quint32 y = 0;
    size_t filled = 0;
    bool ended = false;
    while (!ended && chunks.next(chunk)) {
        if (is(chunk, "IEND")) {
            ended = true;
        } else if (changesColours(chunk) ||
                   (!(chunk.type[0] & 0x20) && !is(chunk, "IDAT") && !is(chunk, "PLTE"))) {
            return std::nullopt;
        } else if (is(chunk, "IDAT")) {
            if (!inflater.feed(chunk))
                return std::nullopt;
            while (y < height && inflater.hasInput() && !inflater.finished()) {
                if (!inflater.fill(current, rowLength + 1, filled))
                    return std::nullopt;
                if (filled < rowLength + 1)
                    continue;
                if (!unfilter(current[0], current + 1, previous + 1, qsizetype(rowLength), bpp))
                    return std::nullopt;
                toPixels(current + 1, int(width), bpp,
                         reinterpret_cast<QRgb*>(image.scanLine(int(y))));
                std::swap(current, previous);
                filled = 0;
                ++y;
            }
        }
    }
    if (!ended || y < height)
        return std::nullopt;
    return image;
}

} // namespace png

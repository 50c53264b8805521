#include "core/image/PngScaledDecoder.h"

#include <QFile>
#include <QtEndian>
#include <cstdlib>
#include <cstring>
#include <vector>
#include <zlib.h>

namespace png {

namespace {

constexpr uchar signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};

// Undoes one row's filter in place, given the previous unfiltered row.
bool unfilter(uchar type, uchar* row, const uchar* previous, int length, int bpp) {
    switch (type) {
    case 0:
        return true;
    case 1:
        for (int i = bpp; i < length; ++i)
            row[i] = uchar(row[i] + row[i - bpp]);
        return true;
    case 2:
        for (int i = 0; i < length; ++i)
            row[i] = uchar(row[i] + previous[i]);
        return true;
    case 3:
        for (int i = 0; i < length; ++i) {
            const int left = i >= bpp ? row[i - bpp] : 0;
            row[i] = uchar(row[i] + ((left + previous[i]) >> 1));
        }
        return true;
    case 4:
        for (int i = 0; i < length; ++i) {
            const int a = i >= bpp ? row[i - bpp] : 0;
            const int b = previous[i];
            const int c = i >= bpp ? previous[i - bpp] : 0;
            const int p = a + b - c;
            const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
            row[i] = uchar(row[i] + (pa <= pb && pa <= pc ? a : pb <= pc ? b : c));
        }
        return true;
    default:
        return false;
    }
}

// Sums source rows into target rows; each source pixel goes to the target pixel it lies on.
class BoxScaler {
public:
    BoxScaler(int sourceWidth, int sourceHeight, QSize target, bool alpha)
        : m_sourceWidth(sourceWidth)
        , m_sourceHeight(sourceHeight)
        , m_image(target, alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32)
        , m_sums(size_t(target.width()) * 4)
        , m_counts(size_t(target.width()))
        , m_column(size_t(sourceWidth)) {
        for (int x = 0; x < sourceWidth; ++x)
            m_column[size_t(x)] = int(qint64(x) * target.width() / sourceWidth);
    }

    bool isNull() const { return m_image.isNull(); }

    void addRow(int y, const uchar* pixels, int bpp) {
        const int targetRow = int(qint64(y) * m_image.height() / m_sourceHeight);
        if (targetRow != m_row)
            flush();
        m_row = targetRow;
        for (int x = 0; x < m_sourceWidth; ++x) {
            const uchar* p = pixels + size_t(x) * bpp;
            const unsigned a = bpp == 4 ? p[3] : 255;
            quint64* sum = &m_sums[size_t(m_column[size_t(x)]) * 4];
            // Premultiplied, so transparent pixels lend no colour to their neighbours.
            sum[0] += p[0] * a;
            sum[1] += p[1] * a;
            sum[2] += p[2] * a;
            sum[3] += a;
            ++m_counts[size_t(m_column[size_t(x)])];
        }
    }

    QImage finish() {
        flush();
        return m_image;
    }

private:
    void flush() {
        if (m_row < 0)
            return;
        auto* out = reinterpret_cast<QRgb*>(m_image.scanLine(m_row));
        for (int x = 0; x < m_image.width(); ++x) {
            quint64* sum = &m_sums[size_t(x) * 4];
            const quint64 n = std::max<quint64>(1, m_counts[size_t(x)]);
            const auto channel = [n](quint64 v) { return int((v + n * 255 / 2) / (n * 255)); };
            out[x] =
                qRgba(channel(sum[0]), channel(sum[1]), channel(sum[2]), int((sum[3] + n / 2) / n));
            sum[0] = sum[1] = sum[2] = sum[3] = 0;
            m_counts[size_t(x)] = 0;
        }
        m_row = -1;
    }

    int m_sourceWidth;
    int m_sourceHeight;
    QImage m_image;
    std::vector<quint64> m_sums;
    std::vector<quint64> m_counts;
    std::vector<int> m_column;
    int m_row = -1;
};

struct Inflater {
    z_stream stream{};
    bool ready = false;
    Inflater() { ready = inflateInit(&stream) == Z_OK; }
    ~Inflater() {
        if (ready)
            inflateEnd(&stream);
    }
};

} // namespace

QImage decodeScaled(const QString& path, QSize target) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    uchar head[8 + 8 + 13];
    if (file.read(reinterpret_cast<char*>(head), sizeof head) != qint64(sizeof head) ||
        memcmp(head, signature, 8) != 0 || memcmp(head + 12, "IHDR", 4) != 0)
        return {};
    const quint32 width = qFromBigEndian<quint32>(head + 16);
    const quint32 height = qFromBigEndian<quint32>(head + 20);
    const uchar depth = head[24], colour = head[25], interlace = head[28];
    if (depth != 8 || (colour != 2 && colour != 6) || interlace != 0 || width == 0 || height == 0 ||
        width > 1u << 20 || height > 1u << 20)
        return {};
    const int bpp = colour == 6 ? 4 : 3;
    const QSize size = QSize(int(width), int(height))
                           .scaled(target, Qt::KeepAspectRatio)
                           .boundedTo(QSize(int(width), int(height)))
                           .expandedTo(QSize(1, 1));
    BoxScaler scaler(int(width), int(height), size, bpp == 4);
    if (scaler.isNull())
        return {};
    file.skip(4); // the IHDR's CRC

    const int rowBytes = int(width) * bpp;
    std::vector<uchar> previous(size_t(rowBytes), 0);
    std::vector<uchar> current(size_t(rowBytes) + 1);
    size_t filled = 0;
    quint32 y = 0;
    Inflater inflater;
    if (!inflater.ready)
        return {};
    std::vector<uchar> input;
    while (y < height) {
        uchar chunkHead[8];
        if (file.read(reinterpret_cast<char*>(chunkHead), 8) != 8)
            return {};
        const quint32 length = qFromBigEndian<quint32>(chunkHead);
        if (memcmp(chunkHead + 4, "IDAT", 4) != 0) {
            if (memcmp(chunkHead + 4, "IEND", 4) == 0 || !file.skip(qint64(length) + 4))
                return {};
            continue;
        }
        input.resize(length);
        if (file.read(reinterpret_cast<char*>(input.data()), length) != qint64(length) ||
            !file.skip(4))
            return {};
        z_stream& z = inflater.stream;
        z.next_in = input.data();
        z.avail_in = length;
        while (z.avail_in > 0 && y < height) {
            z.next_out = current.data() + filled;
            z.avail_out = uInt(current.size() - filled);
            const int status = inflate(&z, Z_NO_FLUSH);
            if (status != Z_OK && status != Z_STREAM_END && status != Z_BUF_ERROR)
                return {};
            filled = current.size() - z.avail_out;
            if (filled == current.size()) {
                if (!unfilter(current[0], current.data() + 1, previous.data(), rowBytes, bpp))
                    return {};
                scaler.addRow(int(y), current.data() + 1, bpp);
                std::copy(current.begin() + 1, current.end(), previous.begin());
                filled = 0;
                ++y;
            }
            if (status == Z_STREAM_END && y < height)
                return {};
            if (status == Z_BUF_ERROR && z.avail_out > 0)
                break; // needs the next chunk
        }
    }
    return scaler.finish();
}

} // namespace png

#include "core/image/PngScaledDecoder.h"

#include "core/image/CaptureBounds.h"
#include "core/image/PngRowReader.h"

#include <optional>
#include <vector>

namespace png {

namespace {

// Sums source rows into target rows; each source pixel goes to the target pixel it lies on.
class BoxScaler {
public:
    BoxScaler(int sourceWidth, int sourceHeight, QSize target, bool alpha, std::optional<QRgb> key)
        : m_sourceWidth(sourceWidth)
        , m_sourceHeight(sourceHeight)
        , m_image(target, alpha || key ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32)
        , m_key(key)
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
            const unsigned a = bpp == 4                                    ? p[3]
                               : m_key && qRgb(p[0], p[1], p[2]) == *m_key ? 0
                                                                           : 255;
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
    std::optional<QRgb> m_key;
    std::vector<quint64> m_sums;
    std::vector<quint64> m_counts;
    std::vector<int> m_column;
    int m_row = -1;
};

} // namespace

QImage decodeScaled(QIODevice* device, QSize target) {
    RowReader reader(device);
    const std::optional<RowReader::Header> header = reader.open();
    if (!header || !capture_bounds::fits(QSize(header->width, header->height)))
        return {};
    const QSize source(header->width, header->height);
    const QSize size =
        source.scaled(target, Qt::KeepAspectRatio).boundedTo(source).expandedTo(QSize(1, 1));
    const int bpp = header->bytesPerPixel;
    BoxScaler scaler(header->width, header->height, size, bpp == 4, header->transparentKey);
    if (scaler.isNull() ||
        !reader.readRows([&scaler, bpp](int y, const uchar* row) { scaler.addRow(y, row, bpp); }))
        return {};
    return scaler.finish();
}

} // namespace png

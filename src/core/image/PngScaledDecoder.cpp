#include "core/image/PngScaledDecoder.h"

#include "core/image/PngRowReader.h"

#include <QFile>
#include <vector>

namespace png {

namespace {

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

} // namespace

QImage decodeScaled(const QString& path, QSize target) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    RowReader reader(&file);
    const std::optional<RowReader::Header> header = reader.open();
    if (!header || header->width > 1 << 20 || header->height > 1 << 20)
        return {};
    const QSize source(header->width, header->height);
    const QSize size =
        source.scaled(target, Qt::KeepAspectRatio).boundedTo(source).expandedTo(QSize(1, 1));
    const int bpp = header->bytesPerPixel;
    BoxScaler scaler(header->width, header->height, size, bpp == 4);
    if (scaler.isNull() ||
        !reader.readRows([&scaler, bpp](int y, const uchar* row) { scaler.addRow(y, row, bpp); }))
        return {};
    return scaler.finish();
}

} // namespace png

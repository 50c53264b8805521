#include "core/image/Png.h"

#include "core/image/PngRows.h"

#include <QSaveFile>
#include <QThread>
#include <QtEndian>
#include <algorithm>
#include <thread>
#include <vector>
#include <zlib.h>

namespace png {

namespace {

// Measured on screenshots (text, interface and photos; see bench/): deflate level 1 is
// about three times faster than a general-purpose writer's level 6. Unfiltered rows suit
// text and flat interface areas, the Paeth filter suits photos; picking the cheaper of the
// two per row keeps files below a general-purpose writer's on both. Horizontal strips are
// filtered and deflated on all cores and joined into one zlib stream.
constexpr int compressionLevel = 1;
// Below this many bytes per strip, threads cost more than they save.
constexpr qsizetype minimumStripBytes = 512 * 1024;
constexpr int maximumStrips = 8;

struct Strip {
    int firstRow = 0;
    int endRow = 0;
    QByteArray deflated;
    uLong adler = 0;
    qsizetype filteredBytes = 0;
    bool ok = false;
};

void appendBigEndian(QByteArray& out, quint32 value) {
    const quint32 be = qToBigEndian(value);
    out.append(reinterpret_cast<const char*>(&be), 4);
}

void appendChunk(QByteArray& out, const char type[4], const QByteArray& data) {
    appendBigEndian(out, static_cast<quint32>(data.size()));
    const qsizetype start = out.size();
    out.append(type, 4);
    out.append(data);
    const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(out.constData() + start),
                            static_cast<uInt>(out.size() - start));
    appendBigEndian(out, static_cast<quint32>(crc));
}

// Filters and deflates rows [firstRow, endRow) as one piece of a longer raw deflate
// stream: every strip but the last ends on a byte boundary with a sync flush.
void deflateStrip(const RowSource& source, Strip& strip, bool last) {
    z_stream z{};
    if (deflateInit2(&z, compressionLevel, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        return;
    const qsizetype rowBytes = source.rowBytes();
    std::vector<uchar> previous(rowBytes), current(rowBytes), filtered(rowBytes + 1);
    if (strip.firstRow > 0)
        source.row(strip.firstRow - 1, previous.data());
    strip.filteredBytes = (rowBytes + 1) * (strip.endRow - strip.firstRow);
    // Screenshots shrink to well under a quarter; the buffer doubles when they do not.
    strip.deflated.resize(std::max<qsizetype>(64 * 1024, strip.filteredBytes / 4));
    uLong adler = adler32(0, nullptr, 0);
    qsizetype written = 0;
    bool ok = true;
    auto pump = [&](int flush) {
        do {
            if (written == strip.deflated.size())
                strip.deflated.resize(strip.deflated.size() * 2);
            z.next_out = reinterpret_cast<Bytef*>(strip.deflated.data() + written);
            z.avail_out = static_cast<uInt>(strip.deflated.size() - written);
            const int status = deflate(&z, flush);
            if (status == Z_STREAM_ERROR)
                ok = false;
            written = strip.deflated.size() - z.avail_out;
        } while (ok && (z.avail_out == 0 || z.avail_in > 0));
    };
    for (int y = strip.firstRow; ok && y < strip.endRow; ++y) {
        source.row(y, current.data());
        filterRow(current.data(), y > 0 ? previous.data() : nullptr, filtered.data(), rowBytes,
                  source.bytesPerPixel());
        adler = adler32(adler, filtered.data(), static_cast<uInt>(filtered.size()));
        z.next_in = filtered.data();
        z.avail_in = static_cast<uInt>(filtered.size());
        pump(Z_NO_FLUSH);
        std::swap(previous, current);
    }
    if (ok)
        pump(last ? Z_FINISH : Z_SYNC_FLUSH);
    deflateEnd(&z);
    strip.deflated.resize(written);
    strip.adler = adler;
    strip.ok = ok;
}

} // namespace

QByteArray encode(const QImage& image) {
    if (image.isNull())
        return {};
    const RowSource source(image);
    const int height = source.height();
    const qsizetype rowBytes = source.rowBytes();

    const qsizetype total = (rowBytes + 1) * height;
    const int cores = std::max(1, QThread::idealThreadCount());
    const int strips = static_cast<int>(std::clamp<qsizetype>(
        std::min<qsizetype>(total / minimumStripBytes, std::min(cores, maximumStrips)), 1, height));
    std::vector<Strip> parts(strips);
    for (int i = 0; i < strips; ++i) {
        parts[i].firstRow = static_cast<int>(static_cast<qint64>(height) * i / strips);
        parts[i].endRow = static_cast<int>(static_cast<qint64>(height) * (i + 1) / strips);
    }
    {
        std::vector<std::jthread> workers;
        for (int i = 1; i < strips; ++i)
            workers.emplace_back(
                [&source, &parts, i, strips] { deflateStrip(source, parts[i], i == strips - 1); });
        deflateStrip(source, parts[0], strips == 1);
    }

    for (const Strip& strip : parts)
        if (!strip.ok)
            return {};

    QByteArray header;
    appendBigEndian(header, static_cast<quint32>(source.width()));
    appendBigEndian(header, static_cast<quint32>(height));
    header.append(static_cast<char>(source.bitDepth()));
    header.append(static_cast<char>(source.colorType()));
    header.append(3, '\0'); // deflate, adaptive filtering, no interlace

    qsizetype deflatedBytes = 0;
    for (const Strip& strip : parts)
        deflatedBytes += strip.deflated.size();
    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    png.reserve(8 + 25 + 12 + 2 + deflatedBytes + 4 + 12);
    appendChunk(png, "IHDR", header);

    // One IDAT holding the whole zlib stream: header, the strips in order, checksum.
    appendBigEndian(png, static_cast<quint32>(2 + deflatedBytes + 4));
    const qsizetype idatStart = png.size();
    png.append("IDAT", 4);
    png.append('\x78'); // deflate with a 32 KiB window,
    png.append('\x01'); // fastest-level hint, check bits
    uLong adler = adler32(0, nullptr, 0);
    for (const Strip& strip : parts) {
        png.append(strip.deflated);
        adler = adler32_combine(adler, strip.adler, static_cast<z_off_t>(strip.filteredBytes));
    }
    appendBigEndian(png, static_cast<quint32>(adler));
    appendBigEndian(png, static_cast<quint32>(
                             crc32(0, reinterpret_cast<const Bytef*>(png.constData() + idatStart),
                                   static_cast<uInt>(png.size() - idatStart))));

    appendChunk(png, "IEND", {});
    return png;
}

bool write(const QImage& image, const QString& path, QString* error) {
    const QByteArray bytes = encode(image);
    if (bytes.isEmpty()) {
        if (error)
            *error = QStringLiteral("the image could not be encoded");
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

} // namespace png

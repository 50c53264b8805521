#include "core/image/Png.h"
#include "core/image/PngRows.h"
#include "core/io/AtomicFile.h"

#include <QThread>
#include <QtEndian>
#include <algorithm>
#include <limits>
#include <memory>
#include <thread>
#include <vector>
#include <zlib.h>

namespace png {

namespace {

// Measured on screenshots (bench/): screen content such as text and interface packs
// smaller at deflate level 2 than at a general-purpose writer's level 6, and four times
// faster (level 2 also beats level 1 there: its longer matches mean fewer symbols). Photo-like
// content needs level 6 with the filtered strategy (what general-purpose writers use) to stay as
// small as their files. So each strip tries both on a sample and takes level 6 only where it pays.
// Horizontal strips are filtered, then deflated, on all cores and joined into one zlib stream.
constexpr int screenLevel = 2;
constexpr int photoLevel = 6;
constexpr qsizetype sampleBytes = 64 * 1024;
constexpr double photoGain = 0.98;
// Below this many bytes per strip, threads cost more than they save.
constexpr qsizetype minimumStripBytes = 512 * 1024;
constexpr int maximumStrips = 8;
constexpr qsizetype windowBytes = 32 * 1024;

struct Strip {
    int firstRow = 0;
    int endRow = 0;
    QByteArray deflated;
    uLong adler = 0;
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

template <typename Work> void inParallel(int count, Work work) {
    std::vector<std::jthread> workers;
    for (int i = 1; i < count; ++i)
        workers.emplace_back(work, i);
    work(0);
}

void filterStrip(const Rows& source, const Strip& strip, uchar* filtered) {
    const qsizetype rowBytes = source.rowBytes();
    std::vector<uchar> previous(rowBytes), current(rowBytes), scratch(rowBytes);
    if (strip.firstRow > 0)
        source.row(strip.firstRow - 1, previous.data());
    for (int y = strip.firstRow; y < strip.endRow; ++y) {
        source.row(y, current.data());
        filterRow(current.data(), previous.data(), filtered + y * (rowBytes + 1), scratch.data(),
                  rowBytes, source.bytesPerPixel());
        std::swap(previous, current);
    }
}

qsizetype deflatedSize(const uchar* bytes, qsizetype length, int level, int strategy) {
    z_stream z{};
    if (deflateInit2(&z, level, Z_DEFLATED, -15, 8, strategy) != Z_OK)
        return length;
    std::vector<uchar> out(deflateBound(&z, static_cast<uLong>(length)));
    z.next_in = const_cast<uchar*>(bytes);
    z.avail_in = static_cast<uInt>(length);
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    const auto size = static_cast<qsizetype>(z.total_out);
    deflateEnd(&z);
    return size;
}

// Whether the slower, stronger setting pays on these bytes, judged on a sample from their
// middle (rows span the whole width, so a band of rows shows every kind of content in it).
bool photoLike(const uchar* bytes, qsizetype length) {
    const qsizetype sample = std::min(length, sampleBytes);
    const uchar* start = bytes + (length - sample) / 2;
    return double(deflatedSize(start, sample, photoLevel, Z_FILTERED)) <
           photoGain * double(deflatedSize(start, sample, screenLevel, Z_DEFAULT_STRATEGY));
}

// Deflates one strip as a piece of a longer raw deflate stream: it starts with the
// preceding bytes as its dictionary, and every strip but the last ends on a byte boundary
// with a sync flush.
void deflateStrip(const uchar* data, qsizetype begin, qsizetype end, bool last, Strip& strip) {
    const uchar* bytes = data + begin;
    const qsizetype length = end - begin;
    const bool photo = photoLike(bytes, length);
    z_stream z{};
    if (deflateInit2(&z, photo ? photoLevel : screenLevel, Z_DEFLATED, -15, 8,
                     photo ? Z_FILTERED : Z_DEFAULT_STRATEGY) != Z_OK)
        return;
    const qsizetype window = std::min(begin, windowBytes);
    if (window > 0)
        deflateSetDictionary(&z, data + begin - window, static_cast<uInt>(window));
    strip.deflated.resize(static_cast<qsizetype>(deflateBound(&z, static_cast<uLong>(length))) +
                          16);
    z.next_in = const_cast<uchar*>(bytes);
    z.avail_in = static_cast<uInt>(length);
    z.next_out = reinterpret_cast<Bytef*>(strip.deflated.data());
    z.avail_out = static_cast<uInt>(strip.deflated.size());
    const int status = deflate(&z, last ? Z_FINISH : Z_SYNC_FLUSH);
    // A sync flush is complete only when it did not run out of room.
    strip.ok = last ? status == Z_STREAM_END : status == Z_OK && z.avail_in == 0 && z.avail_out > 0;
    strip.deflated.resize(static_cast<qsizetype>(z.total_out));
    deflateEnd(&z);
    strip.adler = adler32(adler32(0, nullptr, 0), bytes, static_cast<uInt>(length));
}

} // namespace

QByteArray encodeRows(const Rows& source, int stripCount) {
    if (!source.bits || source.width <= 0 || source.height <= 0)
        return {};
    const int height = source.height;
    const qsizetype rowBytes = source.rowBytes();
    const qsizetype total = (rowBytes + 1) * height;
    // zlib takes 32-bit lengths; such an image would not fit the screen anyway.
    if (total > std::numeric_limits<uInt>::max() / 2)
        return {};

    const int cores = std::max(1, QThread::idealThreadCount());
    const qsizetype wanted = stripCount > 0 ? stripCount
                                            : std::min<qsizetype>(total / minimumStripBytes,
                                                                  std::min(cores, maximumStrips));
    const int strips = static_cast<int>(std::clamp<qsizetype>(wanted, 1, height));
    std::vector<Strip> parts(strips);
    for (int i = 0; i < strips; ++i) {
        parts[i].firstRow = static_cast<int>(static_cast<qint64>(height) * i / strips);
        parts[i].endRow = static_cast<int>(static_cast<qint64>(height) * (i + 1) / strips);
    }
    // Not zeroed: every byte is written by the filters, on the threads that then read it.
    const auto filtered = std::make_unique_for_overwrite<uchar[]>(static_cast<size_t>(total));
    inParallel(strips, [&](int i) { filterStrip(source, parts[i], filtered.get()); });
    inParallel(strips, [&](int i) {
        deflateStrip(filtered.get(), parts[i].firstRow * (rowBytes + 1),
                     parts[i].endRow * (rowBytes + 1), i == strips - 1, parts[i]);
    });

    qsizetype deflatedBytes = 0;
    uLong adler = adler32(0, nullptr, 0);
    for (const Strip& strip : parts) {
        if (!strip.ok)
            return {};
        deflatedBytes += strip.deflated.size();
        adler =
            adler32_combine(adler, strip.adler,
                            static_cast<z_off_t>((strip.endRow - strip.firstRow) * (rowBytes + 1)));
    }
    // A chunk holds at most 2^31 - 1 bytes; barely compressible data near the size limit
    // could exceed that.
    if (2 + deflatedBytes + 4 > std::numeric_limits<qint32>::max())
        return {};

    QByteArray header;
    appendBigEndian(header, static_cast<quint32>(source.width));
    appendBigEndian(header, static_cast<quint32>(height));
    header.append(static_cast<char>(source.bitDepth));
    header.append(static_cast<char>(source.colorType));
    header.append(3, '\0'); // deflate, adaptive filtering, no interlace

    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    png.reserve(8 + 25 + 12 + 2 + deflatedBytes + 4 + 12);
    appendChunk(png, "IHDR", header);

    // One IDAT holding the whole zlib stream: header, the strips in order, checksum.
    appendBigEndian(png, static_cast<quint32>(2 + deflatedBytes + 4));
    const qsizetype idatStart = png.size();
    png.append("IDAT", 4);
    png.append('\x78'); // deflate with a 32 KiB window,
    png.append('\x01'); // no compression level claimed, check bits
    for (const Strip& strip : parts)
        png.append(strip.deflated);
    appendBigEndian(png, static_cast<quint32>(adler));
    appendBigEndian(png, static_cast<quint32>(
                             crc32(0, reinterpret_cast<const Bytef*>(png.constData() + idatStart),
                                   static_cast<uInt>(png.size() - idatStart))));

    appendChunk(png, "IEND", {});
    return png;
}

QByteArray encodeRgb32(const uchar* bits, int width, int height, qsizetype bytesPerLine) {
    Rows rows;
    rows.bits = bits;
    rows.width = width;
    rows.height = height;
    rows.bytesPerLine = bytesPerLine;
    rows.copy = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? Rows::Copy::BgrxToRgb : Rows::Copy::XrgbToRgb;
    return encodeRows(rows);
}

bool writeFile(const QByteArray& bytes, const QString& path, QString* error) {
    if (bytes.isEmpty()) {
        if (error)
            *error = QStringLiteral("the image could not be encoded");
        return false;
    }
    return atomic_file::write(bytes, path, error);
}

} // namespace png

#include "core/image/Adler32.h"
#include "core/image/PhotoDeflate.h"
#include "core/image/Png.h"
#include "core/image/PngRows.h"
#include "core/io/AtomicFile.h"

#include <QThread>
#include <QtEndian>
#include <algorithm>
#include <atomic>
#include <limits>
#include <thread>
#include <vector>
#include <zlib.h>

namespace png {

namespace {

// Measured on screenshots (bench/): screen content such as text and interface packs
// smaller at zlib's level 2 than at a general-purpose writer's level 6, and four times
// faster (level 2 also beats level 1 there: its longer matches mean fewer symbols).
// Noisy photo-like content packs smallest with few, long matches and good Huffman codes:
// deflatePhoto, four times faster than the level 6 with the filtered strategy that
// general-purpose writers use, and no larger. Smooth pictures still need zlib's level 6,
// whose short matches pay there. Each strip tries all three on a sample.
constexpr int screenLevel = 2;
constexpr int smoothLevel = 6;
constexpr int samplePieces = 8;
constexpr qsizetype samplePieceBytes = 2 * 1024;
// Many strips of about this size, taken by whichever core is free, keep every core busy to
// the end however the content is spread; each strip costs its coder's start and window.
constexpr qsizetype stripBytes = 256 * 1024;
constexpr qsizetype windowBytes = 32 * 1024;

struct Strip {
    int firstRow = 0;
    int endRow = 0;
    QByteArray deflated;
    uLong adler = 0;
    uLong crc = 0; // of the deflated bytes
    bool ok = false;
};

void appendBigEndian(QByteArray& out, quint32 value) {
    const quint32 be = qToBigEndian(value);
    out.append(reinterpret_cast<const char*>(&be), 4);
}

uLong crcOf(uLong crc, const char* bytes, qsizetype length) {
    return crc32_z(crc, reinterpret_cast<const Bytef*>(bytes), static_cast<z_size_t>(length));
}

void appendChunk(QByteArray& out, const char type[4], const QByteArray& data) {
    appendBigEndian(out, static_cast<quint32>(data.size()));
    const qsizetype start = out.size();
    out.append(type, 4);
    out.append(data);
    appendBigEndian(out,
                    static_cast<quint32>(crcOf(0, out.constData() + start, out.size() - start)));
}

// What one encoding thread keeps from strip to strip.
struct Worker {
    std::vector<uchar> previous, current, scratch, filtered;
};

// Filters rows [first, end) into out, each row behind its filter-type byte.
void filterRows(const Rows& source, int first, int end, uchar* out, Worker& worker) {
    const qsizetype rowBytes = source.rowBytes();
    worker.previous.assign(rowBytes, 0);
    worker.current.resize(rowBytes);
    worker.scratch.resize(rowBytes);
    if (first > 0)
        source.row(first - 1, worker.previous.data());
    for (int y = first; y < end; ++y, out += rowBytes + 1) {
        source.row(y, worker.current.data());
        filterRow(worker.current.data(), worker.previous.data(), out, worker.scratch.data(),
                  rowBytes, source.bytesPerPixel());
        std::swap(worker.previous, worker.current);
    }
}

// zlib, as one piece of a longer raw stream: it starts from the preceding bytes as its
// dictionary and, unless last, ends on a byte boundary.
bool deflateZlib(int level, const uchar* data, qsizetype begin, qsizetype end, bool last,
                 QByteArray& out) {
    z_stream z{};
    if (deflateInit2(&z, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        return false;
    const qsizetype window = std::min(begin, windowBytes);
    if (window > 0)
        deflateSetDictionary(&z, data + begin - window, static_cast<uInt>(window));
    const qsizetype length = end - begin;
    out.resize(static_cast<qsizetype>(deflateBound(&z, static_cast<uLong>(length))) + 16);
    z.next_in = const_cast<uchar*>(data + begin);
    z.avail_in = static_cast<uInt>(length);
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    const int status = deflate(&z, last ? Z_FINISH : Z_SYNC_FLUSH);
    // A sync flush is complete only when it did not run out of room.
    const bool ok =
        last ? status == Z_STREAM_END : status == Z_OK && z.avail_in == 0 && z.avail_out > 0;
    out.resize(static_cast<qsizetype>(z.total_out));
    deflateEnd(&z);
    return ok;
}

enum class Coder { screen, photo, smooth };

// The coder that packs these bytes smallest, judged on pieces spread over them (rows span
// the whole width, so a band of rows shows every kind of content in it). Samples flatter
// the photo coder on text a little, and level 6 is slow: each must win clearly.
Coder chooseCoder(const uchar* data, qsizetype begin, qsizetype end) {
    const qsizetype length = end - begin;
    QByteArray sample;
    if (length <= samplePieces * samplePieceBytes) {
        sample = QByteArray(reinterpret_cast<const char*>(data + begin), length);
    } else {
        for (int i = 0; i < samplePieces; ++i) {
            const qsizetype at =
                begin + (length - samplePieceBytes) * (2 * i + 1) / (2 * samplePieces);
            sample.append(reinterpret_cast<const char*>(data + at), samplePieceBytes);
        }
    }
    const auto* bytes = reinterpret_cast<const uchar*>(sample.constData());
    QByteArray photo, screen, smooth;
    deflatePhoto(bytes, 0, sample.size(), true, photo);
    if (!deflateZlib(screenLevel, bytes, 0, sample.size(), true, screen))
        return Coder::photo;
    // Noise packs worse than that whichever coder takes it; level 6 is slowest there.
    if (photo.size() < sample.size() / 3.2 &&
        deflateZlib(smoothLevel, bytes, 0, sample.size(), true, smooth) &&
        smooth.size() < 0.97 * std::min(photo.size(), screen.size()))
        return Coder::smooth;
    return photo.size() < screen.size() &&
                   (photo.size() < 0.95 * screen.size() || photo.size() > sample.size() / 8)
               ? Coder::photo
               : Coder::screen;
}

void deflateStrip(const uchar* data, qsizetype begin, qsizetype end, bool last, Strip& strip) {
    switch (chooseCoder(data, begin, end)) {
    case Coder::photo:
        deflatePhoto(data, begin, end, last, strip.deflated);
        strip.ok = true;
        break;
    case Coder::screen:
        strip.ok = deflateZlib(screenLevel, data, begin, end, last, strip.deflated);
        break;
    case Coder::smooth:
        strip.ok = deflateZlib(smoothLevel, data, begin, end, last, strip.deflated);
        break;
    }
    strip.adler = png::adler32(data + begin, end - begin);
    strip.crc = crcOf(0, strip.deflated.constData(), strip.deflated.size());
}

// Waits until rows [0, end) have arrived; false when they never will.
bool waitForRows(const Rows& source, int end) {
    if (!source.rowsReady)
        return true;
    for (int ready = source.rowsReady->load(std::memory_order_acquire); ready < end;
         ready = source.rowsReady->load(std::memory_order_acquire)) {
        if (ready < 0)
            return false;
        source.rowsReady->wait(ready, std::memory_order_acquire);
    }
    return true;
}

// Runs job(i, worker) for every index below count, on `threads` threads that each take the
// next unclaimed index and keep their own worker.
template <typename Job> void onAllCores(int count, int threads, Job job) {
    std::atomic<int> next{0};
    auto run = [&] {
        Worker worker;
        for (int i = next++; i < count; i = next++)
            job(i, worker);
    };
    std::vector<std::jthread> workers;
    for (int t = 1; t < threads; ++t)
        workers.emplace_back(run);
    run();
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

    const qsizetype wanted = stripCount > 0 ? stripCount : total / stripBytes;
    const int strips = static_cast<int>(std::clamp<qsizetype>(wanted, 1, height));
    std::vector<Strip> parts(strips);
    for (int i = 0; i < strips; ++i) {
        parts[i].firstRow = static_cast<int>(static_cast<qint64>(height) * i / strips);
        parts[i].endRow = static_cast<int>(static_cast<qint64>(height) * (i + 1) / strips);
    }
    // Not zeroed: every byte is written by the filters, on the threads that then read it.
    // Each strip filters its own rows, and again the few before it that its coder may refer
    // back to: no strip waits for another, and its rows are still in the core's cache when
    // they are packed.
    const qsizetype stride = rowBytes + 1;
    const int windowRows = static_cast<int>((windowBytes + stride - 1) / stride);
    const int threads = std::clamp(QThread::idealThreadCount(), 1, strips);
    onAllCores(strips, threads, [&](int i, Worker& worker) {
        Strip& strip = parts[i];
        if (!waitForRows(source, strip.endRow))
            return;
        const int from = std::max(0, strip.firstRow - windowRows);
        worker.filtered.resize(static_cast<size_t>((strip.endRow - from) * stride));
        filterRows(source, from, strip.endRow, worker.filtered.data(), worker);
        deflateStrip(worker.filtered.data(), (strip.firstRow - from) * stride,
                     (strip.endRow - from) * stride, i == strips - 1, strip);
    });

    qsizetype deflatedBytes = 0;
    uLong adler = ::adler32(0, nullptr, 0);
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

    // One IDAT holding the whole zlib stream: header, the strips in order, checksum. Its
    // CRC joins the strips' own, computed on their threads.
    appendBigEndian(png, static_cast<quint32>(2 + deflatedBytes + 4));
    QByteArray head("IDAT\x78\x01", 6); // deflate with a 32 KiB window, no level claimed
    png.append(head);
    uLong crc = crcOf(0, head.constData(), head.size());
    for (const Strip& strip : parts) {
        png.append(strip.deflated);
        crc = crc32_combine(crc, strip.crc, static_cast<z_off_t>(strip.deflated.size()));
    }
    const quint32 adlerBigEndian = qToBigEndian(static_cast<quint32>(adler));
    png.append(reinterpret_cast<const char*>(&adlerBigEndian), 4);
    crc = crcOf(crc, reinterpret_cast<const char*>(&adlerBigEndian), 4);
    appendBigEndian(png, static_cast<quint32>(crc));

    appendChunk(png, "IEND", {});
    return png;
}

QByteArray encodeRgb32(const uchar* bits, int width, int height, qsizetype bytesPerLine,
                       const std::atomic<int>* rowsReady) {
    Rows rows;
    rows.bits = bits;
    rows.width = width;
    rows.height = height;
    rows.bytesPerLine = bytesPerLine;
    rows.copy = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? Rows::Copy::BgrxToRgb : Rows::Copy::XrgbToRgb;
    rows.rowsReady = rowsReady;
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

#include "core/image/PngRowReader.h"

#include "core/image/Paeth.h"

#include <QIODevice>
#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>
#include <zlib.h>

namespace png {

namespace {

constexpr int batchCount = 4;
constexpr int mostBatchRows = 32;
constexpr size_t batchBytes = size_t(1) << 20;
// A file is read this much at a time, so a long capture's one big IDAT never sits whole
// in memory.
constexpr quint32 pieceBytes = 256 * 1024;

quint32 bigEndian(const uchar* p) {
    return (quint32(p[0]) << 24) | (quint32(p[1]) << 16) | (quint32(p[2]) << 8) | quint32(p[3]);
}

// Chunks that change what the pixels mean; the general reader honours them.
bool changesColours(const uchar* type) {
    for (const char* name : {"iCCP", "gAMA", "cHRM", "sRGB", "sBIT", "tRNS", "cICP"}) {
        if (std::memcmp(type, name, 4) == 0)
            return true;
    }
    return false;
}

// Undoes one row's filter in place; `previous` is the row above, unfiltered (zeros for
// the first). The pixel to the left stays in registers rather than being read back.
template <int bpp>
bool unfilter(int filter, uchar* __restrict row, const uchar* __restrict previous,
              qsizetype length) {
    int left[bpp] = {};
    int upperLeft[bpp] = {};
    switch (filter) {
    case 0:
        return true;
    case 1:
        for (qsizetype i = 0; i < length; i += bpp) {
            for (int c = 0; c < bpp; ++c) {
                left[c] = uchar(row[i + c] + left[c]);
                row[i + c] = uchar(left[c]);
            }
        }
        return true;
    case 2:
        for (qsizetype i = 0; i < length; ++i)
            row[i] = uchar(row[i] + previous[i]);
        return true;
    case 3:
        for (qsizetype i = 0; i < length; i += bpp) {
            for (int c = 0; c < bpp; ++c) {
                left[c] = uchar(row[i + c] + ((left[c] + previous[i + c]) >> 1));
                row[i + c] = uchar(left[c]);
            }
        }
        return true;
    case 4:
        for (qsizetype i = 0; i < length; i += bpp) {
            for (int c = 0; c < bpp; ++c) {
                const int up = previous[i + c];
                left[c] = uchar(row[i + c] + paeth(left[c], up, upperLeft[c]));
                upperLeft[c] = up;
                row[i + c] = uchar(left[c]);
            }
        }
        return true;
    default:
        return false;
    }
}

} // namespace

// The chunk walk over bytes in memory or a device. Between open() and the end of the rows
// only the inflating thread uses it.
struct RowReader::Chunks {
    const uchar* memory = nullptr;
    qint64 memorySize = 0;
    qint64 at = 0;
    QIODevice* device = nullptr;
    std::vector<uchar> buffer;

    uchar type[4] = {};
    quint32 length = 0;
    quint32 left = 0; // of the body, not yet read
    quint32 crc = 0;
    bool inData = false;  // the current chunk is pixel data
    bool damaged = false; // found while reading the pixel data

    // The next `n` bytes, valid until the next call; null when the file ends first.
    const uchar* take(qint64 n) {
        if (memory) {
            if (memorySize - at < n)
                return nullptr;
            at += n;
            return memory + at - n;
        }
        buffer.resize(size_t(std::max<qint64>(n, 1)));
        return device->read(reinterpret_cast<char*>(buffer.data()), n) == n ? buffer.data()
                                                                            : nullptr;
    }

    qint64 remaining() const {
        if (memory)
            return memorySize - at;
        return device->isSequential() ? -1 : device->size() - device->pos();
    }

    bool is(const char* name) const { return std::memcmp(type, name, 4) == 0; }
    bool critical() const { return !(type[0] & 0x20); }

    // Reads the next chunk's length and type; false when there is none or it cannot fit.
    bool next() {
        const uchar* head = take(8);
        if (!head)
            return false;
        length = bigEndian(head);
        std::memcpy(type, head + 4, 4);
        const qint64 rest = remaining();
        if (length > 0x7fffffffu || (rest >= 0 && qint64(length) + 4 > rest))
            return false;
        left = length;
        crc = quint32(crc32(0, type, 4));
        return true;
    }

    // The next part of the current body (from memory all of it); null at a short file.
    std::pair<const uchar*, quint32> piece() {
        const quint32 n = memory ? left : std::min(left, pieceBytes);
        const uchar* data = take(n);
        if (!data)
            return {nullptr, 0};
        crc = quint32(crc32(crc, data, n));
        left -= n;
        return {data, n};
    }

    // Reads what is left of the body and the checksum; true when it matches.
    bool close() {
        while (left > 0) {
            if (!piece().first)
                return false;
        }
        const uchar* stored = take(4);
        return stored && bigEndian(stored) == crc;
    }

    // The next part of the pixel data across IDAT chunks; nothing at its end.
    std::pair<const uchar*, quint32> data() {
        while (inData) {
            if (left > 0) {
                const auto part = piece();
                damaged = !part.first;
                inData = !damaged;
                return part;
            }
            if (!close() || !next()) {
                damaged = true;
                inData = false;
            } else {
                inData = is("IDAT");
            }
        }
        return {nullptr, 0};
    }

    // After the rows: the rest of the chunks up to IEND. Misplaced colour chunks are
    // ignored, as the general reader does.
    bool finish() {
        if (damaged)
            return false;
        if (inData) {
            if (!close() || !next())
                return false;
            inData = false;
        }
        for (;;) {
            if (is("IEND"))
                return close();
            if (critical() && !is("IDAT") && !is("PLTE"))
                return false;
            if (!close() || !next())
                return false;
        }
    }
};

namespace {

// Inflates the pixel data into batches of filtered rows on its own thread. The zlib
// stream is inflated raw, its header checked here and its Adler-32 left alone: every
// chunk's CRC already covers the same bytes.
template <typename Chunks> class Inflater {
public:
    struct Batch {
        std::vector<uchar> rows;
        int count = 0;
    };

    Inflater(Chunks& chunks, int height, size_t stride)
        : m_chunks(chunks)
        , m_height(quint32(height))
        , m_stride(stride)
        , m_batchRows(int(std::clamp<size_t>(batchBytes / stride, 1, mostBatchRows))) {
        for (auto& batch : m_batches) {
            batch.rows.resize(stride * size_t(m_batchRows));
            m_free.push_back(&batch);
        }
        m_thread = std::thread([this] { run(); });
    }
    ~Inflater() {
        {
            std::lock_guard lock(m_mutex);
            m_stopped = true;
        }
        m_changed.notify_all();
        m_thread.join();
    }
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;

    // The next batch, or nothing once the stream has ended or failed.
    Batch* take() {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return !m_ready.empty() || m_done; });
        if (m_ready.empty())
            return nullptr;
        Batch* batch = m_ready.front();
        m_ready.pop_front();
        return batch;
    }
    void giveBack(Batch* batch) {
        {
            std::lock_guard lock(m_mutex);
            m_free.push_back(batch);
        }
        m_changed.notify_all();
    }

private:
    void run() {
        z_stream stream{};
        if (inflateInit2(&stream, -15) != Z_OK) {
            finish();
            return;
        }
        unsigned header = 0;
        int headerBytes = 0;
        bool failed = false;
        bool ended = false;
        quint32 rows = 0;
        while (!failed && rows < m_height) {
            Batch* batch = nullptr;
            {
                std::unique_lock lock(m_mutex);
                m_changed.wait(lock, [this] { return !m_free.empty() || m_stopped; });
                if (m_stopped)
                    break;
                batch = m_free.front();
                m_free.pop_front();
            }
            const quint32 wanted = std::min<quint32>(quint32(m_batchRows), m_height - rows);
            stream.next_out = batch->rows.data();
            stream.avail_out = uInt(m_stride * wanted);
            while (stream.avail_out > 0 && !failed) {
                // Rows still wanted after the stream's end: the header promised more.
                if (ended) {
                    failed = true;
                    break;
                }
                if (stream.avail_in == 0) {
                    const auto [data, length] = m_chunks.data();
                    if (!data) {
                        failed = true;
                        break;
                    }
                    quint32 skip = 0;
                    while (headerBytes < 2 && skip < length) {
                        header = (header << 8) | data[skip++];
                        if (++headerBytes == 2 &&
                            (((header >> 8) & 0x0f) != 8 || (header >> 12) > 7 || (header & 0x20) ||
                             header % 31 != 0))
                            failed = true;
                    }
                    stream.next_in = const_cast<uchar*>(data + skip);
                    stream.avail_in = length - skip;
                    continue;
                }
                const int result = inflate(&stream, Z_NO_FLUSH);
                if (result == Z_STREAM_END)
                    ended = true;
                else if (result != Z_OK)
                    failed = true;
            }
            if (failed) {
                giveBack(batch);
                break;
            }
            batch->count = int(wanted);
            rows += wanted;
            {
                std::lock_guard lock(m_mutex);
                m_ready.push_back(batch);
            }
            m_changed.notify_all();
        }
        inflateEnd(&stream);
        finish();
    }

    void finish() {
        {
            std::lock_guard lock(m_mutex);
            m_done = true;
        }
        m_changed.notify_all();
    }

    Chunks& m_chunks;
    const quint32 m_height;
    const size_t m_stride;
    const int m_batchRows;
    Batch m_batches[batchCount];
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Batch*> m_free;
    std::deque<Batch*> m_ready;
    bool m_done = false;
    bool m_stopped = false;
    std::thread m_thread;
};

} // namespace

RowReader::RowReader(const QByteArray& bytes)
    : m_chunks(std::make_unique<Chunks>()) {
    m_chunks->memory = reinterpret_cast<const uchar*>(bytes.constData());
    m_chunks->memorySize = bytes.size();
}

RowReader::RowReader(QIODevice* device)
    : m_chunks(std::make_unique<Chunks>()) {
    m_chunks->device = device;
}

RowReader::~RowReader() = default;

std::optional<RowReader::Header> RowReader::open() {
    Chunks& chunks = *m_chunks;
    const uchar* signature = chunks.take(8);
    if (!signature || std::memcmp(signature, "\x89PNG\r\n\x1a\n", 8) != 0 || !chunks.next() ||
        !chunks.is("IHDR") || chunks.length != 13)
        return std::nullopt;
    const uchar* data = chunks.piece().first;
    if (!data)
        return std::nullopt;
    uchar body[13];
    std::memcpy(body, data, sizeof body); // the device's buffer is reused for the checksum
    if (!chunks.close())
        return std::nullopt;
    const quint32 width = bigEndian(body);
    const quint32 height = bigEndian(body + 4);
    const int colorType = body[9];
    if (width == 0 || height == 0 || width > 0x7fffffffu || height > 0x7fffffffu || body[8] != 8 ||
        (colorType != 2 && colorType != 6) || body[10] != 0 || body[11] != 0 || body[12] != 0)
        return std::nullopt;
    Header header{int(width), int(height), colorType == 2 ? 3 : 4, false, std::nullopt};
    for (;;) {
        if (!chunks.next())
            return std::nullopt;
        if (chunks.is("IDAT")) {
            chunks.inData = true;
            m_header = header;
            return header;
        }
        if (chunks.is("IEND"))
            return std::nullopt;
        if (chunks.is("tRNS") && colorType == 2 && chunks.length == 6) {
            const uchar* key = chunks.piece().first;
            if (!key)
                return std::nullopt;
            header.transparentKey = qRgb(key[1], key[3], key[5]);
        }
        if (changesColours(chunks.type))
            header.managedColours = true;
        else if (chunks.critical() && !chunks.is("PLTE"))
            return std::nullopt;
        if (!chunks.close())
            return std::nullopt;
    }
}

bool RowReader::readRows(const std::function<void(int y, const uchar* row)>& row) {
    if (!m_header || m_header->rowBytes() >= qsizetype(1) << 30)
        return false; // the decoders bound rows far below; zlib counts in 32 bits
    const Header header = *std::exchange(m_header, std::nullopt); // the rows come once
    const qsizetype rowLength = header.rowBytes();
    const size_t stride = size_t(rowLength) + 1; // the filter byte, then the row
    const auto unfiltered = header.bytesPerPixel == 3 ? unfilter<3> : unfilter<4>;
    try {
        std::vector<uchar> previous(size_t(rowLength), 0);
        int y = 0;
        {
            Inflater inflater(*m_chunks, header.height, stride);
            while (auto* batch = inflater.take()) {
                for (int i = 0; i < batch->count; ++i, ++y) {
                    uchar* filtered = batch->rows.data() + size_t(i) * stride;
                    if (!unfiltered(filtered[0], filtered + 1, previous.data(), rowLength)) {
                        inflater.giveBack(batch);
                        return false;
                    }
                    row(y, filtered + 1);
                    std::memcpy(previous.data(), filtered + 1, size_t(rowLength));
                }
                inflater.giveBack(batch);
            }
        }
        return y == header.height && m_chunks->finish();
    } catch (const std::exception&) {
        return false;
    }
}

} // namespace png

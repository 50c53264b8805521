#include "core/image/PngDecoder.h"

#include <QImageReader>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <limits>
#include <mutex>
#include <thread>
#include <vector>
#include <zlib.h>

namespace png {

namespace {

constexpr int batchRows = 32;
constexpr int batchCount = 4;
// Rows wider than this (half a million pixels) are left to the general reader.
constexpr size_t largestBatchBytes = size_t(64) << 20;

quint32 bigEndian(const uchar* p) {
    return (quint32(p[0]) << 24) | (quint32(p[1]) << 16) | (quint32(p[2]) << 8) | quint32(p[3]);
}

bool is(const uchar* type, const char* name) {
    return std::memcmp(type, name, 4) == 0;
}

struct Header {
    quint32 width = 0;
    quint32 height = 0;
    int bpp = 0;
};

struct Layout {
    Header header;
    std::vector<std::pair<const uchar*, quint32>> idat;
};

// Chunks that change what the pixels mean; the general reader honours them.
bool changesColours(const uchar* type) {
    for (const char* name : {"iCCP", "gAMA", "cHRM", "sRGB", "sBIT", "tRNS", "cICP"}) {
        if (is(type, name))
            return true;
    }
    return false;
}

// Walks every chunk, checking its bounds and checksum, up to IEND.
std::optional<Layout> readLayout(const QByteArray& bytes) {
    const auto* data = reinterpret_cast<const uchar*>(bytes.constData());
    const qsizetype size = bytes.size();
    if (size < 8 || std::memcmp(data, "\x89PNG\r\n\x1a\n", 8) != 0)
        return std::nullopt;
    Layout layout;
    bool first = true;
    for (qsizetype at = 8;;) {
        if (size - at < 12)
            return std::nullopt; // no IEND: truncated
        const quint32 length = bigEndian(data + at);
        if (length > 0x7fffffffu || qsizetype(length) > size - at - 12)
            return std::nullopt;
        const uchar* type = data + at + 4;
        const uchar* body = type + 4;
        if (crc32(0, type, 4 + length) != bigEndian(body + length))
            return std::nullopt;
        at += 12 + qsizetype(length);
        if (first) {
            if (!is(type, "IHDR") || length != 13)
                return std::nullopt;
            Header& h = layout.header;
            h.width = bigEndian(body);
            h.height = bigEndian(body + 4);
            const int colorType = body[9];
            if (h.width == 0 || h.height == 0 || h.width > 0x7fffffffu || h.height > 0x7fffffffu ||
                body[8] != 8 || (colorType != 2 && colorType != 6) || body[10] != 0 ||
                body[11] != 0 || body[12] != 0)
                return std::nullopt;
            h.bpp = colorType == 2 ? 3 : 4;
            first = false;
        } else if (is(type, "IEND")) {
            return layout;
        } else if (is(type, "IDAT")) {
            if (length > 0)
                layout.idat.emplace_back(body, length);
        } else if (changesColours(type) || (!(type[0] & 0x20) && !is(type, "PLTE"))) {
            return std::nullopt; // an unknown critical chunk, or colours to manage
        }
    }
}

// Branch-free, so the colour channels of a pixel run side by side.
inline int paeth(int a, int b, int c) {
    const int pa = std::abs(b - c);
    const int pb = std::abs(a - c);
    const int pc = std::abs(a + b - 2 * c);
    const int ab = pb < pa ? b : a;
    const int abMin = pb < pa ? pb : pa;
    return pc < abMin ? c : ab;
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

template <int bpp> void toPixels(const uchar* __restrict row, int width, QRgb* __restrict out) {
    for (int x = 0; x < width; ++x, row += bpp)
        out[x] = qRgba(row[0], row[1], row[2], bpp == 4 ? row[3] : 255);
}

// Inflates the IDAT stream into batches of filtered rows on its own thread. The zlib
// stream is inflated raw, its header checked here and its Adler-32 left alone: every
// chunk's CRC already covers the same bytes.
class Inflater {
public:
    struct Batch {
        std::vector<uchar> rows;
        int count = 0;
    };

    Inflater(const Layout& layout, size_t stride)
        : m_layout(layout)
        , m_stride(stride) {
        for (auto& batch : m_batches) {
            batch.rows.resize(stride * batchRows);
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
        size_t chunk = 0;
        unsigned header = 0;
        int headerBytes = 0;
        bool failed = false;
        bool ended = false;
        quint32 rows = 0;
        while (!failed && rows < m_layout.header.height) {
            Batch* batch = nullptr;
            {
                std::unique_lock lock(m_mutex);
                m_changed.wait(lock, [this] { return !m_free.empty() || m_stopped; });
                if (m_stopped)
                    break;
                batch = m_free.front();
                m_free.pop_front();
            }
            const quint32 wanted = std::min<quint32>(batchRows, m_layout.header.height - rows);
            stream.next_out = batch->rows.data();
            stream.avail_out = uInt(m_stride * wanted);
            while (stream.avail_out > 0 && !failed) {
                // Rows still wanted after the stream's end: the header promised more.
                if (ended) {
                    failed = true;
                    break;
                }
                if (stream.avail_in == 0) {
                    if (chunk == m_layout.idat.size()) {
                        failed = true;
                        break;
                    }
                    const auto [data, length] = m_layout.idat[chunk++];
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

    const Layout& m_layout;
    const size_t m_stride;
    Batch m_batches[batchCount];
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Batch*> m_free;
    std::deque<Batch*> m_ready;
    bool m_done = false;
    bool m_stopped = false;
    std::thread m_thread;
};

template <int bpp> bool decodeRows(const Layout& layout, QImage& image) {
    const size_t rowLength = size_t(layout.header.width) * bpp;
    const size_t stride = rowLength + 1; // the filter byte, then the row
    std::vector<uchar> previous(rowLength, 0);
    Inflater inflater(layout, stride);
    quint32 y = 0;
    while (Inflater::Batch* batch = inflater.take()) {
        for (int i = 0; i < batch->count; ++i, ++y) {
            uchar* row = batch->rows.data() + size_t(i) * stride;
            if (!unfilter<bpp>(row[0], row + 1, previous.data(), qsizetype(rowLength))) {
                inflater.giveBack(batch);
                return false;
            }
            toPixels<bpp>(row + 1, int(layout.header.width),
                          reinterpret_cast<QRgb*>(image.scanLine(int(y))));
            std::memcpy(previous.data(), row + 1, rowLength);
        }
        inflater.giveBack(batch);
    }
    return y == layout.header.height;
}

} // namespace

std::optional<QImage> decodePlain(const QByteArray& bytes) {
    const std::optional<Layout> layout = readLayout(bytes);
    if (!layout || layout->idat.empty())
        return std::nullopt;
    const Header& h = layout->header;
    const qint64 limitBytes = qint64(QImageReader::allocationLimit()) * 1024 * 1024;
    if (limitBytes > 0 && qint64(h.width) * h.height * 4 > limitBytes)
        return std::nullopt;
    if ((size_t(h.width) * h.bpp + 1) * batchRows > largestBatchBytes ||
        h.height > quint32(std::numeric_limits<int>::max()))
        return std::nullopt;
    QImage image(int(h.width), int(h.height),
                 h.bpp == 3 ? QImage::Format_RGB32 : QImage::Format_ARGB32);
    if (image.isNull())
        return std::nullopt;
    try {
        const bool ok = h.bpp == 3 ? decodeRows<3>(*layout, image) : decodeRows<4>(*layout, image);
        if (!ok)
            return std::nullopt;
    } catch (const std::exception&) {
        return std::nullopt; // no thread or no memory: the general reader may still cope
    }
    return image;
}

} // namespace png

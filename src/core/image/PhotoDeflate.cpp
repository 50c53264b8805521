#include "core/image/PhotoDeflate.h"

#include "core/image/HuffmanCode.h"

#include <QtEndian>
#include <algorithm>
#include <array>
#include <cstring>
#include <span>
#include <vector>

namespace png {

namespace {

// Measured on filtered screenshots with photos: matches shorter than 6 bytes make the file
// larger (the rule of zlib's filtered strategy), and a single candidate per hash finds the
// long runs of interface and text around a photo as well as deeper searches do.
constexpr int minimumMatch = 6;
constexpr int maximumMatch = 258;
constexpr int windowBytes = 32768;
constexpr int hashBits = 15;
// Smaller blocks follow changing content more closely; each costs a table of codes.
constexpr int blockSymbols = 16384;
constexpr int endOfBlock = 256;

struct LengthCode {
    uint16_t symbol;
    uint8_t extraBits;
    uint16_t base;
};

constexpr std::array<LengthCode, maximumMatch + 1> lengthCodes = [] {
    constexpr int extra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                               2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
    std::array<LengthCode, maximumMatch + 1> table{};
    int length = 3;
    for (int code = 0; code < 28; ++code)
        for (int i = 0; i < (1 << extra[code]); ++i, ++length)
            table[length] = {static_cast<uint16_t>(257 + code), static_cast<uint8_t>(extra[code]),
                             static_cast<uint16_t>(length - i)};
    table[maximumMatch] = {285, 0, maximumMatch};
    return table;
}();

constexpr int distanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                   6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
constexpr std::array<uint16_t, 30> distanceBase = [] {
    std::array<uint16_t, 30> base{};
    int distance = 1;
    for (int code = 0; code < 30; ++code) {
        base[code] = static_cast<uint16_t>(distance);
        distance += 1 << distanceExtra[code];
    }
    return base;
}();

int distanceCode(int distance) {
    // The codes' ranges double every two codes: the code follows from the top bit.
    if (distance <= 4)
        return distance - 1;
    const int top = 31 - __builtin_clz(static_cast<unsigned>(distance - 1));
    return 2 * top + (((distance - 1) >> (top - 1)) & 1);
}

// A literal (distance 0, the byte in `length`) or a match.
struct Symbol {
    uint16_t length;
    uint16_t distance;
};

class BitWriter {
public:
    explicit BitWriter(uchar* out)
        : m_out(out) {}
    void put(uint32_t bits, int count) {
        m_bits |= static_cast<uint64_t>(bits) << m_count;
        m_count += count;
        if (m_count >= 32) {
            qToLittleEndian(static_cast<uint32_t>(m_bits), m_out);
            m_out += 4;
            m_bits >>= 32;
            m_count -= 32;
        }
    }
    // Pads to a byte boundary and returns the end of the output.
    uchar* finish() {
        while (m_count > 0) {
            *m_out++ = static_cast<uchar>(m_bits);
            m_bits >>= 8;
            m_count -= 8;
        }
        m_count = 0;
        return m_out;
    }

private:
    uchar* m_out;
    uint64_t m_bits = 0;
    int m_count = 0;
};

// The code lengths of both codes, run-length coded as a dynamic block header stores them:
// the header's own code over the 19 run symbols, then the runs.
class BlockHeader {
public:
    BlockHeader(const HuffmanCode& literals, int literalCount, const HuffmanCode& distances,
                int distanceCount);
    void write(BitWriter& bits) const;

private:
    struct Run {
        uint8_t symbol;
        uint8_t extra;
    };
    void add(uint8_t length, int repeat);

    int m_literalCount;
    int m_distanceCount;
    std::vector<Run> m_runs;
    uint32_t m_frequencies[19] = {};
    HuffmanCode m_code;
};

BlockHeader::BlockHeader(const HuffmanCode& literals, int literalCount,
                         const HuffmanCode& distances, int distanceCount)
    : m_literalCount(literalCount)
    , m_distanceCount(distanceCount) {
    uint8_t all[HuffmanCode::maxSymbols + 32];
    std::copy_n(literals.lengths, literalCount, all);
    std::copy_n(distances.lengths, distanceCount, all + literalCount);
    const int total = literalCount + distanceCount;
    for (int i = 0; i < total;) {
        int repeat = 1;
        while (i + repeat < total && all[i + repeat] == all[i])
            ++repeat;
        add(all[i], repeat);
        i += repeat;
    }
    m_code.build(m_frequencies, 19, 7);
}

void BlockHeader::add(uint8_t length, int repeat) {
    auto run = [this](uint8_t symbol, int extra) {
        m_runs.push_back({symbol, static_cast<uint8_t>(extra)});
        ++m_frequencies[symbol];
    };
    if (length == 0) {
        for (; repeat >= 11; repeat -= std::min(repeat, 138))
            run(18, std::min(repeat, 138) - 11);
        if (repeat >= 3)
            run(17, repeat - 3);
        else
            for (; repeat > 0; --repeat)
                run(0, 0);
        return;
    }
    run(length, 0);
    for (--repeat; repeat >= 3; repeat -= std::min(repeat, 6))
        run(16, std::min(repeat, 6) - 3);
    for (; repeat > 0; --repeat)
        run(length, 0);
}

void BlockHeader::write(BitWriter& bits) const {
    static constexpr uint8_t order[19] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                          11, 4,  12, 3, 13, 2, 14, 1, 15};
    int stored = 19;
    while (stored > 4 && m_code.lengths[order[stored - 1]] == 0)
        --stored;
    bits.put(static_cast<uint32_t>(m_literalCount - 257), 5);
    bits.put(static_cast<uint32_t>(m_distanceCount - 1), 5);
    bits.put(static_cast<uint32_t>(stored - 4), 4);
    for (int i = 0; i < stored; ++i)
        bits.put(m_code.lengths[order[i]], 3);
    static constexpr int extraBits[19] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 3, 7};
    for (const Run& run : m_runs) {
        bits.put(m_code.codes[run.symbol], m_code.lengths[run.symbol]);
        if (extraBits[run.symbol] > 0)
            bits.put(run.extra, extraBits[run.symbol]);
    }
}

// One dynamic Huffman block of the symbols.
void writeBlock(std::span<const Symbol> symbols, bool final, BitWriter& bits) {
    uint32_t literalFrequencies[286] = {};
    uint32_t distanceFrequencies[30] = {};
    for (const Symbol& s : symbols) {
        if (s.distance == 0) {
            ++literalFrequencies[s.length];
        } else {
            ++literalFrequencies[lengthCodes[s.length].symbol];
            ++distanceFrequencies[distanceCode(s.distance)];
        }
    }
    literalFrequencies[endOfBlock] = 1;
    HuffmanCode literals;
    literals.build(literalFrequencies, 286, 15);
    HuffmanCode distances;
    distances.build(distanceFrequencies, 30, 15);
    int literalCount = 286;
    while (literalCount > 257 && literals.lengths[literalCount - 1] == 0)
        --literalCount;
    int distanceCount = 30;
    while (distanceCount > 1 && distances.lengths[distanceCount - 1] == 0)
        --distanceCount;

    bits.put(final ? 1 : 0, 1);
    bits.put(2, 2); // dynamic Huffman codes
    BlockHeader(literals, literalCount, distances, distanceCount).write(bits);
    for (const Symbol& s : symbols) {
        if (s.distance == 0) {
            bits.put(literals.codes[s.length], literals.lengths[s.length]);
            continue;
        }
        const LengthCode& length = lengthCodes[s.length];
        bits.put(literals.codes[length.symbol], literals.lengths[length.symbol]);
        bits.put(static_cast<uint32_t>(s.length - length.base), length.extraBits);
        const int code = distanceCode(s.distance);
        bits.put(distances.codes[code], distances.lengths[code]);
        bits.put(static_cast<uint32_t>(s.distance - distanceBase[code]), distanceExtra[code]);
    }
    bits.put(literals.codes[endOfBlock], literals.lengths[endOfBlock]);
}

uint32_t load32(const uchar* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

uint32_t hash(uint32_t fourBytes) {
    return (fourBytes * 2654435761u) >> (32 - hashBits);
}

int matchLength(const uchar* a, const uchar* b, int limit) {
    int length = 0;
    while (length + 8 <= limit) {
        uint64_t x, y;
        std::memcpy(&x, a + length, 8);
        std::memcpy(&y, b + length, 8);
        if (x != y)
            return length + (__builtin_ctzll(x ^ y) >> 3);
        length += 8;
    }
    while (length < limit && a[length] == b[length])
        ++length;
    return length;
}

} // namespace

void deflatePhoto(const uchar* data, qsizetype begin, qsizetype end, bool last, QByteArray& out) {
    // The latest position of each hash of four bytes, as 32-bit offsets from data (images
    // stay far below 2 GiB); the window before `begin` is there from the start.
    // Kept per thread: every strip would otherwise map, fault in and release them anew.
    thread_local std::vector<int32_t> head(size_t{1} << hashBits);
    std::fill(head.begin(), head.end(), -windowBytes - 1);
    const qsizetype hashEnd = end - 4;
    for (qsizetype p = std::max<qsizetype>(0, begin - windowBytes); p < std::min(begin, hashEnd);
         ++p)
        head[hash(load32(data + p))] = static_cast<int32_t>(p);

    // Room for the worst case: a literal takes at most 15 bits and a match of 6 bytes or
    // more 48; a block's header and end, 316 code lengths of at most 14 bits each and less
    // than 100 bits more.
    constexpr qsizetype headerBytes = (100 + 316 * 14) / 8 + 1;
    const qsizetype start = out.size();
    const qsizetype room =
        (end - begin) * 2 + ((end - begin) / blockSymbols + 1) * headerBytes + 16;
    out.resize(start + room);
    BitWriter bits(reinterpret_cast<uchar*>(out.data()) + start);
    thread_local std::vector<Symbol> buffer(blockSymbols);
    Symbol* symbols = buffer.data();
    int count = 0;
    bool finalWritten = false;
    for (qsizetype p = begin; p < end;) {
        int length = 0;
        qsizetype candidate = 0;
        if (p < hashEnd) {
            int32_t& slot = head[hash(load32(data + p))];
            candidate = slot;
            slot = static_cast<int32_t>(p);
            if (p - candidate <= windowBytes && load32(data + candidate) == load32(data + p))
                length = matchLength(data + candidate, data + p,
                                     static_cast<int>(std::min<qsizetype>(maximumMatch, end - p)));
        }
        if (length >= minimumMatch) {
            symbols[count++] = {static_cast<uint16_t>(length),
                                static_cast<uint16_t>(p - candidate)};
            // Later matches may start inside this one; of a long run only its end matters.
            const qsizetype stop = std::min(p + length, hashEnd);
            for (qsizetype q = length > 32 ? stop - 4 : p + 1; q < stop; ++q)
                head[hash(load32(data + q))] = static_cast<int32_t>(q);
            p += length;
        } else {
            symbols[count++] = {data[p], 0};
            ++p;
        }
        if (count == blockSymbols) {
            finalWritten = last && p == end;
            writeBlock({symbols, static_cast<size_t>(blockSymbols)}, finalWritten, bits);
            count = 0;
        }
    }
    if (count > 0 || (last && !finalWritten))
        writeBlock({symbols, static_cast<size_t>(count)}, last, bits);
    if (!last)
        bits.put(0, 3); // an empty stored block: the byte boundary a sync flush makes
    uchar* tail = bits.finish();
    if (!last) {
        const uchar emptyStored[4] = {0, 0, 0xff, 0xff};
        std::memcpy(tail, emptyStored, 4);
        tail += 4;
    }
    out.resize(tail - reinterpret_cast<uchar*>(out.data()));
}

} // namespace png

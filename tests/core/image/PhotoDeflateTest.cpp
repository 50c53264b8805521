#include "core/image/PhotoDeflate.h"
#include "core/image/HuffmanCode.h"

#include <QRandomGenerator>
#include <cmath>
#include <gtest/gtest.h>
#include <zlib.h>

namespace {

QByteArray inflateRaw(const QByteArray& stream, qsizetype expected) {
    QByteArray out(expected + 1, '\0');
    z_stream z{};
    inflateInit2(&z, -15);
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(stream.constData()));
    z.avail_in = static_cast<uInt>(stream.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    const int status = inflate(&z, Z_FINISH);
    out.resize(static_cast<qsizetype>(z.total_out));
    const bool whole = status == Z_STREAM_END && z.avail_in == 0;
    inflateEnd(&z);
    return whole ? out : QByteArray();
}

} // namespace

TEST(PhotoDeflate, piecesJoinIntoOneStreamThatInflatesToTheBytes) {
    // Noise, long runs, and repeats that reach back across the pieces' boundaries; enough
    // symbols for several blocks per piece.
    QRandomGenerator random(3);
    QByteArray bytes;
    while (bytes.size() < 400000) {
        const qsizetype from = bytes.size();
        switch (random.bounded(4)) {
        case 0:
            for (int i = random.bounded(1, 3000); i > 0; --i)
                bytes.append(static_cast<char>(random.bounded(256)));
            break;
        case 1:
            bytes.append(random.bounded(1, 2000), static_cast<char>(random.bounded(3)));
            break;
        default:
            if (from > 40000)
                bytes.append(bytes.mid(from - random.bounded(6, 32768), random.bounded(3, 600)));
        }
    }
    const auto* data = reinterpret_cast<const uchar*>(bytes.constData());
    for (const std::vector<qsizetype>& cuts :
         {std::vector<qsizetype>{0, bytes.size()},
          {0, 1, 2, 70001, 70004, 333333, bytes.size()},
          {0, bytes.size() - 3, bytes.size() - 1, bytes.size(), bytes.size()}}) {
        QByteArray stream;
        for (size_t i = 0; i + 1 < cuts.size(); ++i)
            png::deflatePhoto(data, cuts[i], cuts[i + 1], i + 2 == cuts.size(), stream);
        EXPECT_EQ(inflateRaw(stream, bytes.size()), bytes) << cuts.size();
    }
    // Noise does not grow much.
    QByteArray noise;
    png::deflatePhoto(data, 0, 3000, true, noise);
    EXPECT_LT(noise.size(), 3000 * 105 / 100);
}

TEST(HuffmanCode, lengthsStayWithinTheLimitAndFormACompleteCode) {
    // Fibonacci weights make the optimal code as deep as there are symbols.
    uint32_t skewed[40] = {1, 1};
    for (int i = 2; i < 40; ++i)
        skewed[i] = skewed[i - 1] + skewed[i - 2];
    uint32_t single[19] = {};
    single[7] = 5;
    struct Case {
        const uint32_t* frequencies;
        int count;
        int limit;
    };
    for (const Case& c : {Case{skewed, 40, 15}, Case{skewed, 19, 7}, Case{single, 19, 7}}) {
        png::HuffmanCode code;
        code.build(c.frequencies, c.count, c.limit);
        double kraft = 0;
        int used = 0;
        int weighted = 0;
        for (int s = 0; s < c.count; ++s) {
            EXPECT_LE(code.lengths[s], c.limit);
            if (c.frequencies[s] > 0) {
                EXPECT_GT(code.lengths[s], 0);
                ++weighted;
            }
            if (code.lengths[s] > 0) {
                kraft += std::ldexp(1.0, -code.lengths[s]);
                ++used;
            }
        }
        EXPECT_DOUBLE_EQ(kraft, 1.0);
        EXPECT_EQ(used, std::max(weighted, 2));
    }
}

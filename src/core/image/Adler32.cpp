#include "core/image/Adler32.h"

#include "core/image/WideVectors.h"

#include <algorithm>

namespace png {

QUILLBOX_WIDE_VECTORS quint32 adler32(const uchar* bytes, qsizetype length) {
    constexpr quint32 modulus = 65521;
    // zlib's bound on bytes between reductions (the sums stay within 32 bits), cut to
    // whole blocks.
    constexpr qsizetype chunkBytes = 5552 / 32 * 32;
    quint32 a = 1;
    quint32 b = 0;
    while (length > 0) {
        const qsizetype chunk = std::min(length, chunkBytes);
        length -= chunk;
        // Over a block of 32 bytes, b grows by 32 times a plus each byte weighted by the
        // number of sums it enters.
        for (qsizetype block = chunk / 32; block > 0; --block, bytes += 32) {
            quint32 sum = 0;
            quint32 weighted = 0;
            for (int i = 0; i < 32; ++i) {
                sum += bytes[i];
                weighted += static_cast<quint32>(32 - i) * bytes[i];
            }
            b += 32 * a + weighted;
            a += sum;
        }
        for (qsizetype rest = chunk % 32; rest > 0; --rest) {
            a += *bytes++;
            b += a;
        }
        a %= modulus;
        b %= modulus;
    }
    return (b << 16) | a;
}

} // namespace png

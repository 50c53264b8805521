#include "core/image/PngRows.h"

#include "core/image/Paeth.h"
#include "core/image/WideVectors.h"

#include <QtEndian>
#include <cstring>

namespace png {

namespace {

// Filtered bytes count as signed: small differences either way are cheap to compress.
inline unsigned magnitude(uchar v) {
    const int s = static_cast<signed char>(v);
    return static_cast<unsigned>(s < 0 ? -s : s);
}

} // namespace

void Rows::row(int y, uchar* out) const {
    const uchar* in = bits + y * bytesPerLine;
    const int w = width;
    switch (copy) {
    case Copy::AsIs:
        std::memcpy(out, in, static_cast<size_t>(rowBytes()));
        break;
    case Copy::BgrxToRgb:
        for (int x = 0; x < w; ++x, in += 4, out += 3) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
        }
        break;
    case Copy::XrgbToRgb:
        for (int x = 0; x < w; ++x, in += 4, out += 3)
            std::memcpy(out, in + 1, 3);
        break;
    case Copy::BgraToRgba:
        for (int x = 0; x < w; ++x, in += 4, out += 4) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
            out[3] = in[3];
        }
        break;
    case Copy::RgbxToRgb:
        for (int x = 0; x < w; ++x, in += 4, out += 3)
            std::memcpy(out, in, 3);
        break;
    case Copy::Rgbx16ToRgb16: {
        const auto* samples = reinterpret_cast<const quint16*>(in);
        for (int x = 0; x < w; ++x, samples += 4, out += 6)
            for (int c = 0; c < 3; ++c)
                qToBigEndian(samples[c], out + 2 * c);
        break;
    }
    case Copy::Swap16: {
        const auto* samples = reinterpret_cast<const quint16*>(in);
        const qsizetype count = rowBytes() / 2;
        for (qsizetype i = 0; i < count; ++i)
            qToBigEndian(samples[i], out + 2 * i);
        break;
    }
    }
}

QUILLBOX_WIDE_VECTORS void filterRow(const uchar* row, const uchar* previous, uchar* out,
                                     uchar* scratch, qsizetype rowBytes, int bytesPerPixel) {
    const qsizetype bpp = std::min<qsizetype>(bytesPerPixel, rowBytes);
    const uchar* up = previous;
    // Plain loops without branches: the compiler turns them into vector code.
    auto sum = [rowBytes](const uchar* bytes) {
        unsigned total = 0;
        for (qsizetype i = 0; i < rowBytes; ++i)
            total += magnitude(bytes[i]);
        return total;
    };
    uchar* best = out + 1;
    std::memcpy(best, row, static_cast<size_t>(rowBytes));
    unsigned bestSum = sum(best);
    uchar bestType = 0;
    auto consider = [&](uchar type) {
        const unsigned candidate = sum(scratch);
        if (candidate < bestSum) {
            bestSum = candidate;
            bestType = type;
            std::memcpy(best, scratch, static_cast<size_t>(rowBytes));
        }
    };
    for (qsizetype i = 0; i < bpp; ++i)
        scratch[i] = row[i];
    for (qsizetype i = bpp; i < rowBytes; ++i)
        scratch[i] = static_cast<uchar>(row[i] - row[i - bpp]);
    consider(1); // sub
    for (qsizetype i = 0; i < rowBytes; ++i)
        scratch[i] = static_cast<uchar>(row[i] - up[i]);
    consider(2); // up
    for (qsizetype i = 0; i < bpp; ++i)
        scratch[i] = static_cast<uchar>(row[i] - (up[i] >> 1));
    for (qsizetype i = bpp; i < rowBytes; ++i)
        scratch[i] = static_cast<uchar>(row[i] - ((row[i - bpp] + up[i]) >> 1));
    consider(3); // average
    for (qsizetype i = 0; i < bpp; ++i)
        scratch[i] = static_cast<uchar>(row[i] - up[i]);
    for (qsizetype i = bpp; i < rowBytes; ++i)
        scratch[i] = static_cast<uchar>(row[i] - paeth(row[i - bpp], up[i], up[i - bpp]));
    consider(4); // Paeth
    out[0] = bestType;
}

} // namespace png

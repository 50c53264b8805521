#include "core/stitch/LumaKernels.h"

namespace stitch::kernels {

namespace {

inline std::uint8_t luma(std::uint32_t r, std::uint32_t g, std::uint32_t b) {
    return static_cast<std::uint8_t>((77 * r + 150 * g + 29 * b) >> 8);
}

} // namespace

void lumaFromBgra(const std::uint8_t* bgraRow, std::uint8_t* out, int width) {
    for (int x = 0; x < width; ++x) {
        const std::uint8_t* p = bgraRow + 4 * x;
        out[x] = luma(p[2], p[1], p[0]);
    }
}

void lumaFromRgba(const std::uint8_t* rgbaRow, std::uint8_t* out, int width) {
    for (int x = 0; x < width; ++x) {
        const std::uint8_t* p = rgbaRow + 4 * x;
        out[x] = luma(p[0], p[1], p[2]);
    }
}

void gather(const std::uint8_t* source, int step, int count, std::uint8_t* target) {
    for (int i = 0; i < count; ++i)
        target[i] = source[i * step];
}

std::uint32_t sumOfAbsoluteDifferences(const std::uint8_t* a, const std::uint8_t* b, int count) {
    std::uint32_t sum = 0;
    for (int i = 0; i < count; ++i) {
        const int d = int(a[i]) - int(b[i]);
        sum += static_cast<std::uint32_t>(d < 0 ? -d : d);
    }
    return sum;
}

} // namespace stitch::kernels

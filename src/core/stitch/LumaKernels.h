#pragma once

#include <cstdint>

// The stitcher's inner loops over pixel rows. They are branch-free over the samples and
// compiled with the vectoriser at full strength (see src/core/CMakeLists.txt), since the
// shift search runs them millions of times per frame pair.
namespace stitch::kernels {

// luma = (77 R + 150 G + 29 B) >> 8 over one row of premultiplied 32-bit pixels, stored
// with the bytes B, G, R, A (`bgraRow`) or R, G, B, A (`rgbaRow`).
void lumaFromBgra(const std::uint8_t* bgraRow, std::uint8_t* luma, int width);
void lumaFromRgba(const std::uint8_t* rgbaRow, std::uint8_t* luma, int width);

// Copies `count` bytes taken every `step` bytes from `source` into `target`.
void gather(const std::uint8_t* source, int step, int count, std::uint8_t* target);

// Sum of |a[i] - b[i]| over `count` bytes.
std::uint32_t sumOfAbsoluteDifferences(const std::uint8_t* a, const std::uint8_t* b, int count);

} // namespace stitch::kernels

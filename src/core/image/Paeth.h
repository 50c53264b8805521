#pragma once

#include <cstdlib>

namespace png {

// The Paeth predictor of the filter written and undone: of the left (a), upper (b) and
// upper-left (c) bytes, the one nearest a + b - c, ties going to a, then b. Branch-free,
// so the colour channels of a pixel run side by side.
inline int paeth(int a, int b, int c) {
    const int pa = std::abs(b - c);
    const int pb = std::abs(a - c);
    const int pc = std::abs(a + b - 2 * c);
    const int ab = pb < pa ? b : a;
    const int abMin = pb < pa ? pb : pa;
    return pc < abMin ? c : ab;
}

} // namespace png

#pragma once

#include <cstdint>

namespace png {

// A canonical, length-limited Huffman code over symbols 0..count-1, as deflate stores it:
// code lengths, and the codes bit-reversed for writing least significant bit first.
struct HuffmanCode {
    static constexpr int maxSymbols = 288;

    // Builds the shortest code for the frequencies whose lengths stay within `limit` bits.
    // At least two symbols get a code (inflaters differ on codes with one), zero-frequency
    // symbols none.
    void build(const uint32_t* frequencies, int count, int limit);

    uint8_t lengths[maxSymbols] = {};
    uint16_t codes[maxSymbols] = {};
};

} // namespace png

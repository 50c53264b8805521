#include "core/image/HuffmanCode.h"

#include <algorithm>

namespace png {

namespace {

struct Leaf {
    uint32_t key; // the frequency in, the code length out
    uint16_t symbol;
};

// Optimal code lengths for leaves sorted by ascending frequency, in place (Moffat and
// Katajainen's algorithm): the longest codes go to the first leaves.
void minimumRedundancy(Leaf* a, int n) {
    if (n == 1) {
        a[0].key = 1;
        return;
    }
    a[0].key += a[1].key;
    int root = 0;
    int leaf = 2;
    for (int next = 1; next < n - 1; ++next) {
        if (leaf >= n || a[root].key < a[leaf].key) {
            a[next].key = a[root].key;
            a[root++].key = static_cast<uint32_t>(next);
        } else {
            a[next].key = a[leaf++].key;
        }
        if (leaf >= n || (root < next && a[root].key < a[leaf].key)) {
            a[next].key += a[root].key;
            a[root++].key = static_cast<uint32_t>(next);
        } else {
            a[next].key += a[leaf++].key;
        }
    }
    a[n - 2].key = 0;
    for (int next = n - 3; next >= 0; --next)
        a[next].key = a[a[next].key].key + 1;
    int available = 1;
    int used = 0;
    uint32_t depth = 0;
    int root2 = n - 2;
    int next = n - 1;
    while (available > 0) {
        while (root2 >= 0 && a[root2].key == depth) {
            ++used;
            --root2;
        }
        while (available > used) {
            a[next--].key = depth;
            --available;
        }
        available = 2 * used;
        ++depth;
        used = 0;
    }
}

} // namespace

void HuffmanCode::build(const uint32_t* frequencies, int count, int limit) {
    Leaf leaves[maxSymbols]{};
    int n = 0;
    for (int s = 0; s < count; ++s)
        if (frequencies[s] > 0)
            leaves[n++] = {frequencies[s], static_cast<uint16_t>(s)};
    // Two codes at least: add the first unused symbols with the smallest weight.
    for (int s = 0; n < 2 && s < count; ++s)
        if (frequencies[s] == 0)
            leaves[n++] = {0, static_cast<uint16_t>(s)};
    std::sort(leaves, leaves + n, [](const Leaf& x, const Leaf& y) { return x.key < y.key; });
    minimumRedundancy(leaves, n);

    // Codes longer than the limit are cut to it, then shorter ones lengthened until the
    // lengths again describe a complete code.
    int perLength[32] = {};
    for (int i = 0; i < n; ++i)
        ++perLength[std::min<int>(static_cast<int>(leaves[i].key), limit)];
    uint32_t kraft = 0;
    for (int length = 1; length <= limit; ++length)
        kraft += static_cast<uint32_t>(perLength[length]) << (limit - length);
    while (kraft > (1u << limit)) {
        --perLength[limit];
        for (int length = limit - 1; length > 0; --length) {
            if (perLength[length] > 0) {
                --perLength[length];
                perLength[length + 1] += 2;
                break;
            }
        }
        --kraft;
    }
    std::fill(lengths, lengths + maxSymbols, 0);
    for (int length = 1, i = n; length <= limit; ++length)
        for (int k = perLength[length]; k > 0; --k)
            lengths[leaves[--i].symbol] = static_cast<uint8_t>(length);

    // Canonical codes, reversed for a least-significant-bit-first writer.
    int lengthCount[32] = {};
    for (int s = 0; s < count; ++s)
        ++lengthCount[lengths[s]];
    lengthCount[0] = 0;
    uint32_t nextCode[32] = {};
    for (int length = 1, code = 0; length <= limit; ++length) {
        code = (code + lengthCount[length - 1]) << 1;
        nextCode[length] = static_cast<uint32_t>(code);
    }
    for (int s = 0; s < count; ++s) {
        const int length = lengths[s];
        if (length == 0)
            continue;
        uint32_t code = nextCode[length]++;
        uint32_t reversed = 0;
        for (int b = 0; b < length; ++b, code >>= 1)
            reversed = (reversed << 1) | (code & 1);
        codes[s] = static_cast<uint16_t>(reversed);
    }
}

} // namespace png

#include "ui/StripLayout.h"

#include <algorithm>

namespace strip_layout {

namespace {
constexpr int pitch = cardWidth + spacing;

int floorDiv(int a, int b) {
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}
} // namespace

int rowWidth(int count) {
    if (count <= 0)
        return 2 * paddingX;
    return 2 * paddingX + count * cardWidth + (count - 1) * spacing;
}

QRect cardRect(int index) {
    return {paddingX + index * pitch, paddingY, cardWidth, cardHeight};
}

Range cardsIn(int count, int left, int width, int margin) {
    if (count <= 0 || width <= 0)
        return {};
    const int from = left - margin - paddingX;
    const int to = left + width + margin - paddingX; // exclusive
    // A card i spans [i * pitch, i * pitch + cardWidth).
    const int first = std::max(0, floorDiv(from - cardWidth, pitch) + 1);
    const int end = to <= 0 ? 0 : std::min(count, (to - 1) / pitch + 1);
    return {std::min(first, end), end};
}

} // namespace strip_layout

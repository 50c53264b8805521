#pragma once

#include <QRect>

// Where the cards of the history strip sit in its scrolling row.
namespace strip_layout {

constexpr int cardWidth = 200;
constexpr int cardHeight = 140;
constexpr int spacing = 10;
constexpr int paddingX = 14;
constexpr int paddingY = 8;
constexpr int rowHeight = cardHeight + 2 * paddingY;
// Longest side kept of a card's picture, in points.
constexpr int pictureSide = 420;

struct Range {
    int first = 0; // first index in the range
    int end = 0;   // one past the last
    bool contains(int index) const { return index >= first && index < end; }
};

int rowWidth(int count);
QRect cardRect(int index);
// The cards that overlap the horizontal span [left, left + width), widened by `margin`
// on both sides.
Range cardsIn(int count, int left, int width, int margin = 0);

} // namespace strip_layout

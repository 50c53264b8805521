#pragma once

#include <QColor>
#include <QRectF>
#include <QSizeF>
#include <QString>

class QPainter;

// How a screen selection is drawn, shared by the capture tool's overlay and the region
// selector: the screen dimmed, the selection a clear hole with an accent border, and a
// size label. Coordinates are the overlay's own (y growing downward).
namespace selection {

constexpr double dimAlpha = 0.25;
constexpr double borderWidth = 1.5;
constexpr double labelInset = 6;

// "412 × 306": width and height rounded, halves away from zero.
QString sizeText(const QSizeF& size);

// Where a label box of `box` size goes: inside the selection at its bottom edge, or just
// above its top edge when the selection is too low to hold it; pushed inside the overlay's
// sides.
QRectF labelRect(const QRectF& selection, const QSizeF& box, const QRectF& bounds);

// Paints over `bounds`: dimming everywhere but `selection`, which is left untouched so
// whatever lies below shows clearly; then its border and, when asked, its size label.
// An empty selection dims everything.
void paint(QPainter& painter, const QRectF& bounds, const QRectF& selection, const QColor& accent,
           bool withLabel = true);

} // namespace selection

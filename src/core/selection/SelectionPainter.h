#pragma once

#include <QColor>
#include <QList>
#include <QRect>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <optional>

class QPainter;
class QScreen;

// How a screen selection is drawn, shared by the capture tool's overlay and the region
// selector: the screen dimmed, the selection a clear hole with an accent border, and a
// size label. The selection is kept in top-left screen device pixels; painting happens in
// the overlay's own coordinates (logical pixels from its top-left corner).
namespace selection {

// One monitor under an overlay: its rectangle within the whole screen in device pixels
// and its device pixel ratio.
struct Monitor {
    QRect device;
    qreal ratio = 1;

    static Monitor of(const QScreen* screen);
    // Qt's global position of an event at device pixel `pixel`: Qt keeps the origin in
    // device pixels and rounds the scaled rest, so at scale 2 two device pixels share one.
    QPoint globalOf(QPoint pixel) const;
    // The device pixel of an event at Qt's global position `global`: `exact`, where the X
    // server put it, when that fits; else the scaled position.
    QPoint pixelAt(QPoint global, std::optional<QPoint> exact) const;
    // Empty for an empty rectangle.
    QRectF toLocal(const QRect& device) const;
};

// The one monitor that shows the size label of a selection spanning several: the one
// holding its bottom-left corner, where the label sits, or else the one showing most of
// it. -1 for an empty selection.
int labelMonitor(const QRect& selection, const QList<QRect>& monitors);

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

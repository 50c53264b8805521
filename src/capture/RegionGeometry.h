#pragma once

#include <QRectF>
#include <QSizeF>
#include <QString>

// The region selector's arithmetic. Rectangles marked "bottom-left" have their origin at
// the bottom-left corner of their space with y growing upward; the result of a selection
// is in global coordinates with the origin at the top left and y growing downward, the
// space of screen grabs and pointer events.
namespace regiongeometry {

// A selection on one screen in global top-left coordinates. `selection` is in the
// overlay's bottom-left coordinates, `screenFrame` the screen's frame in the bottom-left
// global space whose flip height is `primaryHeight`.
QRectF globalRect(const QRectF& selection, const QRectF& screenFrame, qreal primaryHeight);

// A screen's frame in the bottom-left global space flipped at `primaryHeight`, from its
// top-left global geometry.
QRectF bottomLeftFrame(const QRectF& geometry, qreal primaryHeight);

// "412 × 306": width and height rounded, halves away from zero.
QString sizeLabelText(const QSizeF& size);

// The size label's box (bottom-left view coordinates) for a selection in a view of
// `bounds`, given the size of its text: inside the selection at its bottom edge, or just
// above it when the selection is too low, kept 6 points inside the view's sides.
QRectF sizeLabelBox(const QRectF& selection, const QRectF& bounds, const QSizeF& textSize);

inline constexpr qreal sizeLabelInset = 6;
inline constexpr qreal minimumSide = 20;

} // namespace regiongeometry

#pragma once

#include <QPointF>
#include <QRect>
#include <QRectF>
#include <QSize>
#include <optional>

namespace crop_geometry {

// The rectangle a crop drag from `start` to `current` selects, kept inside the image.
QRectF rectForDrag(QPointF start, QPointF current, QSizeF imageSize);

// Whether a crop rectangle reaches 8 by 8. A drag of 8 pixels can map back to a hair less
// (7.99999999999997): such a rectangle counts as 8.
bool isLargeEnough(QRectF cropRect);

// The whole pixels a crop keeps: the rectangle rounded outwards and clipped to the
// image. Nothing when it is under 8 by 8 before rounding or under 1 by 1 after.
std::optional<QRect> pixelRect(QRectF cropRect, QSize imageSize);

} // namespace crop_geometry

#pragma once

#include <QImage>
#include <QMargins>
#include <QRectF>

// The thumbnail card's shadow: black at 0.45, blurred over 18 points, 8 points down. It
// needs a window larger than the card, and a compositing manager to show through.
namespace card_shadow {

// The room the shadow takes on each side of the card.
QMargins margins();

// The shadow of a rounded rectangle `card` (corners of `radius`) in a window of `size`
// points, in device pixels for `devicePixelRatio`.
QImage image(QSize size, const QRectF& card, qreal radius, qreal devicePixelRatio);

} // namespace card_shadow

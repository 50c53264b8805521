#include "capture/RegionGeometry.h"

#include <QChar>
#include <algorithm>
#include <cmath>

namespace regiongeometry {

QRectF globalRect(const QRectF& r, const QRectF& s, qreal primaryHeight) {
    return {s.left() + r.left(), primaryHeight - (s.top() + r.top() + r.height()), r.width(),
            r.height()};
}

QRectF bottomLeftFrame(const QRectF& geometry, qreal primaryHeight) {
    return {geometry.left(), primaryHeight - (geometry.top() + geometry.height()), geometry.width(),
            geometry.height()};
}

QString sizeLabelText(const QSizeF& size) {
    return QString::number(std::lround(size.width())) + QStringLiteral(" ") + QChar(0x00D7) +
           QStringLiteral(" ") + QString::number(std::lround(size.height()));
}

QRectF sizeLabelBox(const QRectF& r, const QRectF& bounds, const QSizeF& textSize) {
    const qreal inset = sizeLabelInset;
    const qreal width = textSize.width() + 16;
    const qreal height = textSize.height() + 8;
    // In bottom-left coordinates QRectF's top() is the smallest y, the selection's bottom.
    qreal y = r.top() + inset;
    if (r.height() < height + 2 * inset)
        y = r.top() + r.height() + inset;
    qreal x = std::max(r.left() + inset, bounds.left() + inset);
    x = std::min(x, bounds.left() + bounds.width() - width - inset);
    return {x, y, width, height};
}

} // namespace regiongeometry

#include "core/annotate/CropGeometry.h"

#include <algorithm>
#include <cmath>

namespace crop_geometry {

QRectF rectForDrag(QPointF start, QPointF current, QSizeF imageSize) {
    const double x0 = std::max(std::min(start.x(), current.x()), 0.0);
    const double y0 = std::max(std::min(start.y(), current.y()), 0.0);
    const double x1 = std::min(std::max(start.x(), current.x()), imageSize.width());
    const double y1 = std::min(std::max(start.y(), current.y()), imageSize.height());
    return {x0, y0, std::max(x1 - x0, 0.0), std::max(y1 - y0, 0.0)};
}

bool isLargeEnough(QRectF cropRect) {
    constexpr double minimumSide = 8;
    constexpr double tolerance = 1e-6;
    return cropRect.width() >= minimumSide - tolerance &&
           cropRect.height() >= minimumSide - tolerance;
}

std::optional<QRect> pixelRect(QRectF cropRect, QSize imageSize) {
    if (!isLargeEnough(cropRect))
        return std::nullopt;
    const double left = std::floor(cropRect.left());
    const double top = std::floor(cropRect.top());
    const double right = std::ceil(cropRect.right());
    const double bottom = std::ceil(cropRect.bottom());
    // Clip in doubles: a huge rectangle must not overflow an int before clipping.
    const double x0 = std::max(left, 0.0);
    const double y0 = std::max(top, 0.0);
    const double x1 = std::min(right, double(imageSize.width()));
    const double y1 = std::min(bottom, double(imageSize.height()));
    if (x1 - x0 < 1 || y1 - y0 < 1)
        return std::nullopt;
    return QRect(int(x0), int(y0), int(x1 - x0), int(y1 - y0));
}

} // namespace crop_geometry

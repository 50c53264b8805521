#include "core/annotate/ArrowGeometry.h"

#include <algorithm>
#include <cmath>

ArrowGeometry ArrowGeometry::between(QPointF a, QPointF b, double lineWidth) {
    ArrowGeometry arrow{QLineF(a, b), {}};
    const double length = std::hypot(b.x() - a.x(), b.y() - a.y());
    if (!(length > 0.5))
        return arrow;
    const QPointF u = (b - a) / length;
    const double head = std::max(lineWidth * 3.5, 10.0);
    const QPointF base = b - u * head;
    const double half = head * 0.6;
    const QPointF n(-u.y(), u.x());
    arrow.head << b << base + n * half << base - n * half;
    return arrow;
}

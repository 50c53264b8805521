#pragma once

#include <QLineF>
#include <QPolygonF>

// A line from `a` to `b` with a filled triangular head at `b`. The same shape is drawn
// on the canvas (in view points) and in the export (in image pixels).
struct ArrowGeometry {
    QLineF shaft;
    // Empty when the ends are 0.5 or less apart.
    QPolygonF head;

    static ArrowGeometry between(QPointF a, QPointF b, double lineWidth);
};

#include "core/annotate/Annotation.h"

namespace {

bool samePoint(QPointF a, QPointF b) {
    return a.x() == b.x() && a.y() == b.y();
}

bool samePoints(const QList<QPointF>& a, const QList<QPointF>& b) {
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (!samePoint(a[i], b[i]))
            return false;
    }
    return true;
}

} // namespace

Annotation::Annotation(QUuid id, AnnotationTool tool, AnnotationColor color, QPointF start,
                       QPointF end, double lineWidth, QList<QPointF> points, QString text,
                       double fontSize)
    : m_id(id)
    , m_tool(tool)
    , m_color(color)
    , m_start(start)
    , m_end(end)
    , m_lineWidth(lineWidth)
    , m_points(std::move(points))
    , m_text(std::move(text))
    , m_fontSize(fontSize) {}

void Annotation::translate(double dx, double dy) {
    const QPointF by(dx, dy);
    m_start += by;
    m_end += by;
    for (QPointF& point : m_points)
        point += by;
}

bool Annotation::operator==(const Annotation& other) const {
    return m_id == other.m_id && m_tool == other.m_tool && m_color == other.m_color &&
           samePoint(m_start, other.m_start) && samePoint(m_end, other.m_end) &&
           m_lineWidth == other.m_lineWidth && samePoints(m_points, other.m_points) &&
           m_text == other.m_text && m_fontSize == other.m_fontSize;
}

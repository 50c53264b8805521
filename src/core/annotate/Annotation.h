#pragma once

#include "core/annotate/AnnotationColor.h"
#include "core/annotate/AnnotationTool.h"

#include <QList>
#include <QPointF>
#include <QString>
#include <QUuid>

// One mark on an image. Every point and length is in pixels of the image, origin at
// its top-left corner, y growing downwards; values need not be whole or inside it.
class Annotation {
public:
    Annotation(QUuid id, AnnotationTool tool, AnnotationColor color, QPointF start, QPointF end,
               double lineWidth, QList<QPointF> points, QString text, double fontSize);

    QUuid id() const { return m_id; }
    AnnotationTool tool() const { return m_tool; }
    AnnotationColor color() const { return m_color; }

    // Where the drag began; for text, the text's top-left corner.
    QPointF start() const { return m_start; }
    void setStart(QPointF start) { m_start = start; }
    QPointF end() const { return m_end; }
    void setEnd(QPointF end) { m_end = end; }
    double lineWidth() const { return m_lineWidth; }
    void setLineWidth(double lineWidth) { m_lineWidth = lineWidth; }
    // A freehand path in drawing order; empty for every other tool.
    const QList<QPointF>& points() const { return m_points; }
    void setPoints(QList<QPointF> points) { m_points = std::move(points); }
    void appendPoint(QPointF point) { m_points.append(point); }
    // Exactly as typed, spaces included.
    const QString& text() const { return m_text; }
    void setText(QString text) { m_text = std::move(text); }
    double fontSize() const { return m_fontSize; }
    void setFontSize(double fontSize) { m_fontSize = fontSize; }

    // Moves every point of the mark by (dx, dy).
    void translate(double dx, double dy);

    // Exact comparison of every field: QPointF's own operator is fuzzy.
    bool operator==(const Annotation& other) const;

private:
    QUuid m_id;
    AnnotationTool m_tool;
    AnnotationColor m_color;
    QPointF m_start;
    QPointF m_end;
    double m_lineWidth;
    QList<QPointF> m_points;
    QString m_text;
    double m_fontSize;
};

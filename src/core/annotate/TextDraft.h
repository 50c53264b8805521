#pragma once

#include "core/annotate/AnnotationColor.h"

#include <QPointF>
#include <QString>

// A text being typed on the canvas, before it becomes an annotation. Colour and size
// are fixed when typing begins.
class TextDraft {
public:
    TextDraft(QPointF origin, QString string, AnnotationColor color, double fontSize)
        : m_origin(origin)
        , m_string(std::move(string))
        , m_color(color)
        , m_fontSize(fontSize) {}

    QPointF origin() const { return m_origin; }
    void setOrigin(QPointF origin) { m_origin = origin; }
    const QString& string() const { return m_string; }
    void setString(QString string) { m_string = std::move(string); }
    AnnotationColor color() const { return m_color; }
    double fontSize() const { return m_fontSize; }

private:
    QPointF m_origin;
    QString m_string;
    AnnotationColor m_color;
    double m_fontSize;
};

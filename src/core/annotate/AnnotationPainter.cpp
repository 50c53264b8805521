#include "core/annotate/AnnotationPainter.h"

#include "core/annotate/ArrowGeometry.h"
#include "core/annotate/CanvasGeometry.h"

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <algorithm>
#include <cmath>

PaintSpace::PaintSpace(QRectF fitted, QSizeF imageSize, bool isCanvas)
    : m_fitted(fitted)
    , m_imageSize(imageSize)
    , m_isCanvas(isCanvas) {}

PaintSpace PaintSpace::canvas(QRectF fitted, QSizeF imageSize) {
    return PaintSpace(fitted, imageSize, true);
}

PaintSpace PaintSpace::image(QSizeF imageSize) {
    return PaintSpace(QRectF(QPointF(0, 0), imageSize), imageSize, false);
}

QPointF PaintSpace::map(QPointF p) const {
    if (!m_isCanvas)
        return p;
    return {m_fitted.left() + p.x() / m_imageSize.width() * m_fitted.width(),
            m_fitted.top() + p.y() / m_imageSize.height() * m_fitted.height()};
}

double PaintSpace::scale() const {
    return m_isCanvas ? m_fitted.width() / m_imageSize.width() : 1.0;
}

double PaintSpace::textSize(double fontSize) const {
    if (!m_isCanvas)
        return fontSize;
    return std::max(fontSize * m_fitted.width() / std::max(m_imageSize.width(), 1.0), 6.0);
}

namespace annotation_painter {

namespace {

constexpr double cornerRadius = 3;

QPen strokePen(const QColor& color, double width, Qt::PenCapStyle cap, Qt::PenJoinStyle join) {
    QPen pen(color, width, Qt::SolidLine, cap, join);
    pen.setMiterLimit(10);
    return pen;
}

// Redactions in the export cover whole pixels, so no half-covered pixel keeps a trace
// of what was under it, and overlapping marks copy the same pixels (no seam).
void paintRedactionInImage(QPainter& painter, QRectF r, const QImage& pixelated) {
    const QPaintDevice& device = *painter.device();
    const QRect bounds(0, 0, device.width(), device.height());
    const QRect pixels = r.toAlignedRect() & bounds;
    if (pixels.isEmpty())
        return;
    if (pixelated.isNull() || pixelated.size() != bounds.size()) {
        painter.fillRect(pixels, Qt::black);
        return;
    }
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    // An explicit target: the picture's device pixel ratio must not shrink it.
    painter.drawImage(QRectF(pixels), pixelated, QRectF(pixels));
    painter.restore();
}

void paintRedactionOnCanvas(QPainter& painter, QRectF r, const PaintSpace& space,
                            const QImage& pixelated) {
    if (pixelated.isNull()) {
        painter.fillRect(r, Qt::black);
        return;
    }
    painter.save();
    painter.setClipRect(r, Qt::IntersectClip);
    painter.drawImage(space.fitted(), pixelated);
    painter.restore();
}

void paintText(QPainter& painter, const Annotation& a, const PaintSpace& space, QColor color) {
    if (a.text().isEmpty())
        return;
    const QFont font = fontOfPixelSize(space.textSize(a.fontSize()), *painter.device());
    const QPointF topLeft = space.map(a.start());
    painter.setFont(font);
    painter.setPen(color);
    painter.drawText(
        QPointF(topLeft.x(), topLeft.y() + QFontMetricsF(font, painter.device()).ascent()),
        a.text());
}

} // namespace

void paint(QPainter& painter, const Annotation& a, const PaintSpace& space,
           const QImage& pixelated) {
    const QColor color = annotation_color::qColor(a.color());
    const QPointF s = space.map(a.start());
    const QPointF e = space.map(a.end());
    const QRectF r(QPointF(std::min(s.x(), e.x()), std::min(s.y(), e.y())),
                   QSizeF(std::abs(e.x() - s.x()), std::abs(e.y() - s.y())));
    const double w = a.lineWidth() * space.scale();

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);
    switch (a.tool()) {
    case AnnotationTool::rectangle:
        painter.setPen(strokePen(color, w, Qt::FlatCap, Qt::MiterJoin));
        painter.drawRoundedRect(r, cornerRadius, cornerRadius);
        break;
    case AnnotationTool::ellipse:
        painter.setPen(strokePen(color, w, Qt::FlatCap, Qt::MiterJoin));
        painter.drawEllipse(r);
        break;
    case AnnotationTool::arrow:
        paintArrow(painter, s, e, color, w);
        break;
    case AnnotationTool::highlight: {
        QColor fill = color;
        fill.setAlphaF(0.35f);
        painter.fillRect(r, fill);
        break;
    }
    case AnnotationTool::redact:
        if (space.isCanvas())
            paintRedactionOnCanvas(painter, r, space, pixelated);
        else
            paintRedactionInImage(painter, r, pixelated);
        break;
    case AnnotationTool::freehand: {
        if (a.points().size() < 2)
            break;
        QPolygonF path;
        path.reserve(a.points().size());
        for (QPointF p : a.points())
            path << space.map(p);
        painter.setPen(strokePen(color, w, Qt::RoundCap, Qt::RoundJoin));
        painter.drawPolyline(path);
        break;
    }
    case AnnotationTool::text:
        paintText(painter, a, space, color);
        break;
    }
    painter.restore();
}

void paintArrow(QPainter& painter, QPointF from, QPointF to, const QColor& color,
                double lineWidth) {
    const ArrowGeometry arrow = ArrowGeometry::between(from, to, lineWidth);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(strokePen(color, lineWidth, Qt::RoundCap, Qt::MiterJoin));
    painter.drawLine(arrow.shaft);
    if (!arrow.head.isEmpty()) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(color);
        painter.drawPolygon(arrow.head);
    }
    painter.restore();
}

void paintCropOverlay(QPainter& painter, QRectF cropRect, QRectF f, QSizeF imageSize) {
    const QRectF r = canvas_geometry::displayRect(cropRect, f, imageSize);
    const QColor dim(0, 0, 0, qRound(0.45 * 255));
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(QRectF(f.left(), f.top(), f.width(), std::max(r.top() - f.top(), 0.0)), dim);
    painter.fillRect(
        QRectF(f.left(), r.bottom(), f.width(), std::max(f.bottom() - r.bottom(), 0.0)), dim);
    painter.fillRect(QRectF(f.left(), r.top(), std::max(r.left() - f.left(), 0.0), r.height()),
                     dim);
    painter.fillRect(QRectF(r.right(), r.top(), std::max(f.right() - r.right(), 0.0), r.height()),
                     dim);
    painter.setPen(QPen(Qt::white, 1.5));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(r);
    painter.restore();
}

QFont fontOfPixelSize(double pixels, const QPaintDevice& device) {
    QFont font;
    font.setPointSizeF(pixels * 72.0 / device.logicalDpiY());
    return font;
}

} // namespace annotation_painter

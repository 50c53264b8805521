#pragma once

#include "core/annotate/Annotation.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QRectF>
#include <QSizeF>

class QPaintDevice;
class QPainter;

// The one drawing of marks, for both pictures. The canvas maps image pixels onto the
// fitted rectangle and scales strokes with the zoom; the export draws one pixel per
// image pixel and stops at the image's edge.
class PaintSpace {
public:
    static PaintSpace canvas(QRectF fitted, QSizeF imageSize);
    static PaintSpace image(QSizeF imageSize);

    QPointF map(QPointF imagePoint) const;
    // View points per image pixel.
    double scale() const;
    // The size a text of `fontSize` image pixels is drawn at; never under 6 on the canvas.
    double textSize(double fontSize) const;
    bool isCanvas() const { return m_isCanvas; }
    QRectF fitted() const { return m_fitted; }
    QSizeF imageSize() const { return m_imageSize; }

private:
    PaintSpace(QRectF fitted, QSizeF imageSize, bool isCanvas);

    QRectF m_fitted;
    QSizeF m_imageSize;
    bool m_isCanvas;
};

namespace annotation_painter {

// `pixelated` is the redaction picture, of the image's size; null draws redactions black.
void paint(QPainter& painter, const Annotation& annotation, const PaintSpace& space,
           const QImage& pixelated);
void paintArrow(QPainter& painter, QPointF from, QPointF to, const QColor& color, double lineWidth);
// Dims the image outside `cropRect` (image pixels) and outlines it.
void paintCropOverlay(QPainter& painter, QRectF cropRect, QRectF fitted, QSizeF imageSize);

// The application font at a size in device pixels, fractions kept.
QFont fontOfPixelSize(double pixels, const QPaintDevice& device);

} // namespace annotation_painter

#pragma once

#include "core/annotate/LineWeight.h"

#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QSizeF>

// Where the image sits on the canvas and how view points and image pixels map onto
// each other. View points: the canvas's own coordinates. Image points: pixels of the
// image, origin top-left. Both grow downwards.
namespace canvas_geometry {

// The image scaled to fill the container less a 16-point margin on each side (small
// images are enlarged too), centred. Zero when the image has no area.
QRectF fittedRect(QSizeF image, QSizeF container);

QPointF toImage(QPointF view, QRectF fitted, QSizeF imageSize);
QPointF toView(QPointF image, QRectF fitted, QSizeF imageSize);
// An image rectangle as the view shows it.
QRectF displayRect(QRectF rect, QRectF fitted, QSizeF imageSize);

// Drags must begin on the image; its right and bottom edges count as outside.
bool startsOnImage(QPointF view, QRectF fitted);

// The in-place text field: its top-left corner at the text's origin, reaching at least
// to the image's right edge and never narrower than 120 points.
struct TextFieldPlacement {
    QPointF topLeft;
    double width;
    double fontSize; // points
};
TextFieldPlacement textFieldPlacement(QPointF origin, double fontSize, QRectF fitted,
                                      QSizeF imageSize);

QSizeF imagePixelSize(const QImage& image);
double defaultLineWidth(QSizeF imageSize, LineWeight weight);
double defaultFontSize(QSizeF imageSize, LineWeight weight);

} // namespace canvas_geometry

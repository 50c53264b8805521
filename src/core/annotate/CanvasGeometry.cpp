#include "core/annotate/CanvasGeometry.h"

#include <algorithm>

namespace canvas_geometry {

QRectF fittedRect(QSizeF image, QSizeF container) {
    const double iw = image.width();
    const double ih = image.height();
    if (!(iw > 0) || !(ih > 0))
        return {};
    const double s = std::min(std::max(container.width() - 32, 0.0) / iw,
                              std::max(container.height() - 32, 0.0) / ih);
    const double width = s * iw;
    const double height = s * ih;
    return {(container.width() - width) / 2, (container.height() - height) / 2, width, height};
}

QPointF toImage(QPointF view, QRectF fitted, QSizeF imageSize) {
    return {(view.x() - fitted.left()) / fitted.width() * imageSize.width(),
            (view.y() - fitted.top()) / fitted.height() * imageSize.height()};
}

QPointF toView(QPointF image, QRectF fitted, QSizeF imageSize) {
    return {fitted.left() + image.x() / imageSize.width() * fitted.width(),
            fitted.top() + image.y() / imageSize.height() * fitted.height()};
}

QRectF displayRect(QRectF rect, QRectF fitted, QSizeF imageSize) {
    return QRectF(toView(rect.topLeft(), fitted, imageSize),
                  toView(rect.bottomRight(), fitted, imageSize));
}

bool startsOnImage(QPointF view, QRectF fitted) {
    return view.x() >= fitted.left() && view.x() < fitted.right() && view.y() >= fitted.top() &&
           view.y() < fitted.bottom();
}

TextFieldPlacement textFieldPlacement(QPointF origin, double fontSize, QRectF fitted,
                                      QSizeF imageSize) {
    const QPointF topLeft = toView(origin, fitted, imageSize);
    return {topLeft, std::max(fitted.right() - topLeft.x(), 120.0),
            std::max(fontSize * fitted.width() / std::max(imageSize.width(), 1.0), 8.0)};
}

QSizeF imagePixelSize(const QImage& image) {
    return QSizeF(image.size());
}

double defaultLineWidth(QSizeF imageSize, LineWeight weight) {
    const double shorter = std::min(imageSize.width(), imageSize.height());
    return std::max(shorter / 100, 8.0) * line_weight::multiplier(weight);
}

double defaultFontSize(QSizeF imageSize, LineWeight weight) {
    const double shorter = std::min(imageSize.width(), imageSize.height());
    return std::max(shorter / 28, 16.0) * line_weight::multiplier(weight);
}

} // namespace canvas_geometry

#include "ui/CardShadow.h"

#include <QPainter>
#include <QPainterPath>
#include <QtMath>
#include <vector>

namespace card_shadow {

namespace {

constexpr qreal blurRadius = 18;
constexpr qreal offsetY = 8;
constexpr qreal opacity = 0.45;

// One pass of a box blur of `radius` pixels along rows (or columns) of an alpha image.
void boxBlur(QImage& alpha, int radius, bool alongRows) {
    const int lines = alongRows ? alpha.height() : alpha.width();
    const int length = alongRows ? alpha.width() : alpha.height();
    std::vector<int> line(static_cast<size_t>(length));
    const auto at = [&](int l, int i) -> uchar& {
        return alongRows ? alpha.scanLine(l)[i] : alpha.scanLine(i)[l];
    };
    const int span = 2 * radius + 1;
    for (int l = 0; l < lines; ++l) {
        for (int i = 0; i < length; ++i)
            line[size_t(i)] = at(l, i);
        int sum = 0;
        for (int i = -radius; i <= radius; ++i)
            sum += (i >= 0 && i < length) ? line[size_t(i)] : 0;
        for (int i = 0; i < length; ++i) {
            at(l, i) = uchar(sum / span);
            const int out = i - radius;
            const int in = i + radius + 1;
            sum += (in < length ? line[size_t(in)] : 0) - (out >= 0 ? line[size_t(out)] : 0);
        }
    }
}

} // namespace

QMargins margins() {
    const int blur = qCeil(blurRadius);
    return {blur, blur - int(offsetY), blur, blur + int(offsetY)};
}

QImage image(QSize size, const QRectF& card, qreal radius, qreal devicePixelRatio) {
    QImage alpha((QSizeF(size) * devicePixelRatio).toSize(), QImage::Format_Alpha8);
    alpha.fill(0);
    {
        QPainter painter(&alpha);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(devicePixelRatio, devicePixelRatio);
        QPainterPath shape;
        shape.addRoundedRect(card.translated(0, offsetY), radius, radius);
        painter.fillPath(shape, QColor::fromRgbF(0, 0, 0, float(opacity)));
    }
    // Three box blurs come close to a Gaussian of sigma = radius / 2.
    const qreal sigma = blurRadius / 2 * devicePixelRatio;
    const int box = std::max(1, qRound((std::sqrt(4 * sigma * sigma + 1) - 1) / 2));
    for (int pass = 0; pass < 3; ++pass) {
        boxBlur(alpha, box, true);
        boxBlur(alpha, box, false);
    }
    QImage shadow(alpha.size(), QImage::Format_ARGB32_Premultiplied);
    shadow.fill(Qt::transparent);
    QPainter painter(&shadow);
    painter.drawImage(0, 0, alpha);
    painter.end();
    shadow.setDevicePixelRatio(devicePixelRatio);
    return shadow;
}

} // namespace card_shadow

#include "core/selection/SelectionPainter.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <algorithm>
#include <cmath>

namespace selection {

namespace {

constexpr double labelPaddingX = 8;
constexpr double labelPaddingY = 4;
constexpr double labelRadius = 4;

QFont labelFont() {
    QFont font;
    font.setPixelSize(11);
    font.setWeight(QFont::Medium);
    return font;
}

} // namespace

Monitor Monitor::of(const QScreen* screen) {
    // Qt keeps a screen's origin in device pixels and scales only its size.
    const QRect geometry = screen->geometry();
    const qreal ratio = screen->devicePixelRatio();
    return {QRect(geometry.topLeft(), geometry.size() * ratio), ratio};
}

QPoint Monitor::globalOf(QPoint pixel) const {
    return (pixel - device.topLeft()) * (1 / ratio) + device.topLeft();
}

QPoint Monitor::pixelAt(QPoint global, std::optional<QPoint> exact) const {
    if (exact && globalOf(*exact) == global)
        return *exact;
    return device.topLeft() + (global - device.topLeft()) * ratio;
}

QRectF Monitor::toLocal(const QRect& rect) const {
    if (rect.isEmpty())
        return {};
    return QRectF(QPointF(rect.topLeft() - device.topLeft()) / ratio, QSizeF(rect.size()) / ratio);
}

int labelMonitor(const QRect& selection, const QList<QRect>& monitors) {
    if (selection.isEmpty())
        return -1;
    const QPoint corner = selection.bottomLeft();
    int best = -1;
    qint64 bestArea = 0;
    for (int i = 0; i < monitors.size(); ++i) {
        if (monitors[i].contains(corner))
            return i;
        const QRect shared = monitors[i].intersected(selection);
        const qint64 area = qint64(shared.width()) * shared.height();
        if (area > bestArea) {
            bestArea = area;
            best = i;
        }
    }
    return best;
}

QString sizeText(const QSizeF& size) {
    return QString::number(std::lround(size.width())) + QStringLiteral(" × ") +
           QString::number(std::lround(size.height()));
}

QRectF labelRect(const QRectF& selection, const QSizeF& box, const QRectF& bounds) {
    double y = selection.bottom() - labelInset - box.height();
    if (selection.height() < box.height() + 2 * labelInset)
        y = selection.top() - labelInset - box.height();
    double x = std::max(selection.left() + labelInset, bounds.left() + labelInset);
    x = std::min(x, bounds.right() - box.width() - labelInset);
    return {QPointF(x, y), box};
}

void paint(QPainter& painter, const QRectF& bounds, const QRectF& selection, const QColor& accent,
           bool withLabel) {
    painter.save();
    const bool hasSelection = selection.width() > 0 && selection.height() > 0;
    QPainterPath dimmed;
    dimmed.addRect(bounds);
    if (hasSelection)
        dimmed.addRect(selection); // odd-even fill leaves the selection out
    painter.fillPath(dimmed, QColor::fromRgbF(0, 0, 0, float(dimAlpha)));
    if (hasSelection) {
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(accent, borderWidth));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(selection);
        if (withLabel) {
            const QString text = sizeText(selection.size());
            const QFont font = labelFont();
            const QFontMetricsF metrics(font);
            const QSizeF box(metrics.horizontalAdvance(text) + 2 * labelPaddingX,
                             metrics.height() + 2 * labelPaddingY);
            const QRectF label = labelRect(selection, box, bounds);
            painter.setPen(Qt::NoPen);
            painter.setBrush(QColor::fromRgbF(0, 0, 0, 0.6f));
            painter.drawRoundedRect(label, labelRadius, labelRadius);
            painter.setFont(font);
            painter.setPen(Qt::white);
            painter.drawText(label, Qt::AlignCenter, text);
        }
    }
    painter.restore();
}

} // namespace selection

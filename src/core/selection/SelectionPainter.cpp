#include "core/selection/SelectionPainter.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
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

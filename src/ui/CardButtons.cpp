#include "ui/CardButtons.h"

#include "platform/Drawing.h"
#include "platform/Symbols.h"

#include <QPainter>

namespace {

constexpr int symbolSize = 10;
constexpr int gap = 4;
constexpr int padX = 10;
constexpr int padY = 6;

} // namespace

CapsuleButton::CapsuleButton(const QString& title, const QString& symbolName, QWidget* parent)
    : QAbstractButton(parent) {
    setFont(drawing::pixelFont(11, QFont::Medium));
    setCursor(Qt::PointingHandCursor);
    setContent(title, symbolName);
}

void CapsuleButton::setContent(const QString& title, const QString& symbolName) {
    m_symbol = symbolName;
    setText(title);
    updateGeometry();
    update();
}

QSize CapsuleButton::sizeHint() const {
    const QFontMetrics metrics(font());
    return {padX * 2 + symbolSize + gap + metrics.horizontalAdvance(text()),
            padY * 2 + std::max(symbolSize, metrics.height())};
}

void CapsuleButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF capsule = QRectF(rect()).adjusted(0.25, 0.25, -0.25, -0.25);
    const qreal radius = capsule.height() / 2;
    painter.setPen(QPen(QColor(255, 255, 255, 46), 0.5));
    painter.setBrush(QColor(0, 0, 0, 166));
    painter.drawRoundedRect(capsule, radius, radius);
    const QPixmap glyph = symbols::pixmap(m_symbol, symbolSize, Qt::white, devicePixelRatioF());
    const int y = (height() - symbolSize) / 2;
    painter.drawPixmap(padX, y, glyph);
    painter.setPen(Qt::white);
    painter.drawText(QRect(padX + symbolSize + gap, 0, width(), height()),
                     Qt::AlignVCenter | Qt::AlignLeft, text());
}

MoreMenuButton::MoreMenuButton(QWidget* parent)
    : QAbstractButton(parent) {
    setCursor(Qt::PointingHandCursor);
}

void MoreMenuButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 140));
    const QRectF disc = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.drawEllipse(disc);
    painter.setBrush(Qt::white);
    const QPointF centre = disc.center();
    const qreal step = disc.width() * 0.24;
    const qreal dot = disc.width() * 0.075;
    for (int i = -1; i <= 1; ++i)
        painter.drawEllipse(centre + QPointF(i * step, 0), dot, dot);
}

#include "ui/ShortcutChip.h"

#include "ui/SettingsStyle.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

namespace {
constexpr int horizontalPadding = 10;
constexpr int verticalPadding = 5;
constexpr int minimumChipWidth = 120;
constexpr qreal radius = 6;
constexpr qreal borderWidth = 1.5;
} // namespace

ShortcutChip::ShortcutChip(QWidget* parent)
    : QAbstractButton(parent) {
    setFont(settings_style::monospaced(12, QFont::Medium));
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void ShortcutChip::setRecording(bool recording) {
    m_recording = recording;
    updateGeometry();
    update();
}

void ShortcutChip::setCombinationText(const QString& text) {
    m_combination = text;
    setAccessibleName(text);
    updateGeometry();
    update();
}

void ShortcutChip::setBroken(bool broken) {
    m_broken = broken;
    update();
}

QString ShortcutChip::shownText() const {
    return m_recording ? QStringLiteral("Press keys…") : m_combination;
}

QSize ShortcutChip::sizeHint() const {
    const QFontMetrics metrics(font());
    const int width = metrics.horizontalAdvance(shownText()) + 2 * horizontalPadding;
    return {qMax(width, minimumChipWidth), metrics.height() + 2 * verticalPadding};
}

void ShortcutChip::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF frame = QRectF(rect()).adjusted(borderWidth / 2, borderWidth / 2, -borderWidth / 2,
                                                 -borderWidth / 2);
    QPainterPath shape;
    shape.addRoundedRect(frame, radius, radius);
    using namespace settings_style;
    painter.fillPath(shape, m_recording ? accent(this, 0.15) : primary(this, 0.08));
    QColor border = Qt::transparent;
    if (m_recording)
        border = accent(this);
    else if (m_broken)
        border = orange();
    if (border.alpha() > 0)
        painter.strokePath(shape, QPen(border, borderWidth));
    if (hasFocus()) {
        QPen focus(accent(this, 0.6), 1, Qt::DotLine);
        painter.strokePath(shape, focus);
    }
    QColor text = primary(this);
    if (m_recording)
        text = accent(this);
    else if (m_broken)
        text = orange().darker(130); // readable on the light chip
    painter.setPen(text);
    painter.setFont(font());
    painter.drawText(rect(), Qt::AlignCenter, shownText());
}

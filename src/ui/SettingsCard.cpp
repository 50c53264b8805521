#include "ui/SettingsCard.h"

#include "ui/SettingsStyle.h"

#include <QPainter>
#include <QPainterPath>

SettingsCard::SettingsCard(bool padded, QWidget* parent)
    : QFrame(parent) {
    if (padded)
        setContentsMargins(14, 10, 14, 10);
}

void SettingsCard::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), 8, 8);
    painter.fillPath(shape, settings_style::primary(this, 0.04));
}

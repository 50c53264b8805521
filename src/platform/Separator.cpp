#include "platform/Separator.h"

#include <QPainter>

QColor Separator::color(const QPalette& palette) {
    QColor line = palette.color(QPalette::WindowText);
    line.setAlphaF(0.15f);
    return line;
}

Separator::Separator(Qt::Orientation orientation, QWidget* parent)
    : QWidget(parent) {
    if (orientation == Qt::Horizontal)
        setFixedHeight(1);
    else
        setFixedWidth(1);
}

void Separator::paintEvent(QPaintEvent*) {
    QPainter(this).fillRect(rect(), color(palette()));
}

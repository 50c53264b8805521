#include "platform/Separator.h"

#include "platform/Drawing.h"

#include <QPainter>

QColor Separator::color(const QPalette& palette) {
    return drawing::withAlpha(palette.color(QPalette::WindowText), 0.15);
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

#include "capture/HudSpinner.h"

#include <QPainter>

namespace {
constexpr int ticks = 12;
}

HudSpinner::HudSpinner(QWidget* parent)
    : QWidget(parent) {
    m_timer.setInterval(80);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        m_phase = (m_phase + 1) % ticks;
        update();
    });
    m_timer.start();
}

void HudSpinner::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(width() / 2.0, height() / 2.0);
    const qreal radius = qMin(width(), height()) / 2.0;
    for (int i = 0; i < ticks; ++i) {
        const int age = (m_phase - i + ticks) % ticks;
        painter.setPen(QPen(QColor::fromRgbF(1, 1, 1, 1.0f - age * 0.07f), radius * 0.18,
                            Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(QPointF(0, -radius * 0.5), QPointF(0, -radius * 0.9));
        painter.rotate(360.0 / ticks);
    }
}

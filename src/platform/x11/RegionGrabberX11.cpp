#include "platform/x11/RegionGrabberX11.h"

#include <QGuiApplication>
#include <QPainter>
#include <QRect>
#include <cmath>

QImage RegionGrabberX11::grab(const QRectF& region) {
    const double ratio = qGuiApp ? qGuiApp->devicePixelRatio() : 1.0;
    const QRect wanted(static_cast<int>(std::lround(region.x() * ratio)),
                       static_cast<int>(std::lround(region.y() * ratio)),
                       static_cast<int>(std::lround(region.width() * ratio)),
                       static_cast<int>(std::lround(region.height() * ratio)));
    if (wanted.isEmpty())
        return {};
    if (!m_screen)
        m_screen = std::make_unique<ScreenGrabberX11>();
    const QRect visible = wanted.intersected(QRect(QPoint(0, 0), m_screen->screenSize()));
    if (visible.isEmpty())
        return {};
    const QImage part = m_screen->grabRect(visible);
    if (part.isNull() || visible == wanted)
        return part;
    QImage whole(wanted.size(), QImage::Format_RGB32);
    whole.fill(Qt::black);
    QPainter(&whole).drawImage(visible.topLeft() - wanted.topLeft(), part);
    return whole;
}

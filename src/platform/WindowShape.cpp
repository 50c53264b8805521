#include "platform/WindowShape.h"

#ifdef QUILLBOX_HAVE_X11
#include "platform/x11/CompositingX11.h"
#endif

#include <QPainterPath>
#include <QRegion>
#include <QWidget>

namespace window_shape {

bool compositingManagerRunning() {
#ifdef QUILLBOX_HAVE_X11
    if (const std::optional<bool> running = x11CompositingManagerRunning())
        return *running;
#endif
    return true;
}

void fitRoundedCorners(QWidget* window, double radius) {
    fitRoundedCorners(window, radius, compositingManagerRunning());
}

void fitRoundedCorners(QWidget* window, double radius, bool composited) {
    if (!window)
        return;
    if (composited) {
        window->clearMask();
        return;
    }
    QPainterPath path;
    path.addRoundedRect(QRectF(window->rect()), radius, radius);
    window->setMask(QRegion(path.toFillPolygon().toPolygon()));
}

void setInputArea(QWidget* window, const QRect& area) {
#ifdef QUILLBOX_HAVE_X11
    if (window && window->windowHandle()) {
        const qreal ratio = window->devicePixelRatioF();
        const QRect device(QPoint(qRound(area.x() * ratio), qRound(area.y() * ratio)),
                           QSize(qRound(area.width() * ratio), qRound(area.height() * ratio)));
        x11SetInputShape(window->windowHandle(), device);
    }
#else
    Q_UNUSED(window);
    Q_UNUSED(area);
#endif
}

} // namespace window_shape

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

} // namespace window_shape

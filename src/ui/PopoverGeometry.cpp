#include "ui/PopoverGeometry.h"

#include <algorithm>

namespace popover_geometry {

int width(std::optional<int> visibleScreenWidth) {
    if (!visibleScreenWidth)
        return 1240;
    return std::clamp(*visibleScreenWidth - 40, 720, 1600);
}

QPoint topLeft(const QSize& size, const QRect& trayIcon, const QRect& visibleScreen) {
    QPoint corner(visibleScreen.x() + (visibleScreen.width() - size.width()) / 2,
                  visibleScreen.top());
    if (trayIcon.isValid()) {
        corner.setX(trayIcon.x() + (trayIcon.width() - size.width()) / 2);
        const bool iconBelowMiddle = trayIcon.center().y() > visibleScreen.center().y();
        corner.setY(iconBelowMiddle ? trayIcon.top() - size.height() : trayIcon.bottom() + 1);
    }
    // A popover wider than the screen keeps its left edge on it.
    corner.setX(std::max(visibleScreen.left(),
                         std::min(corner.x(), visibleScreen.right() + 1 - size.width())));
    corner.setY(std::max(visibleScreen.top(),
                         std::min(corner.y(), visibleScreen.bottom() + 1 - size.height())));
    return corner;
}

} // namespace popover_geometry

#include "ui/ThumbnailPlacement.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

namespace thumbnail_placement {

std::optional<QPoint> topLeft(const QList<ScreenArea>& screens, QPoint pointer,
                              const std::optional<ScreenArea>& fallback, QSize card) {
    std::optional<ScreenArea> chosen = fallback;
    for (const ScreenArea& screen : screens) {
        // QRect::contains leaves out the point just past the right and bottom edges.
        if (screen.frame.contains(pointer)) {
            chosen = screen;
            break;
        }
    }
    if (!chosen)
        return std::nullopt;
    const QRect& area = chosen->available;
    return QPoint(area.left() + inset, area.top() + area.height() - inset - card.height());
}

std::optional<QPoint> topLeftOnScreens(QSize card) {
    QList<ScreenArea> screens;
    for (const QScreen* screen : QGuiApplication::screens())
        screens.append({screen->geometry(), screen->availableGeometry()});
    std::optional<ScreenArea> main;
    if (const QScreen* primary = QGuiApplication::primaryScreen())
        main = ScreenArea{primary->geometry(), primary->availableGeometry()};
    return topLeft(screens, QCursor::pos(), main, card);
}

} // namespace thumbnail_placement

#include "platform/CaptureBoundsScreens.h"

#include "core/image/CaptureBounds.h"

#include <QGuiApplication>
#include <QScreen>

namespace capture_bounds_screens {
namespace {

QSize devicePixels(const QScreen* screen) {
    return (QSizeF(screen->geometry().size()) * screen->devicePixelRatio()).toSize();
}

void apply() {
    QSize largest;
    QRectF desktop;
    for (const QScreen* screen : QGuiApplication::screens()) {
        largest = largest.expandedTo(devicePixels(screen));
        const QRect area = screen->geometry();
        desktop |= QRectF(QPointF(area.topLeft()) * screen->devicePixelRatio(),
                          QSizeF(devicePixels(screen)));
    }
    capture_bounds::setScreens(largest, desktop.size().toSize());
}

void watch(QScreen* screen) {
    QObject::connect(screen, &QScreen::geometryChanged, qApp, [] { apply(); });
}

} // namespace

void follow() {
    apply();
    for (QScreen* screen : QGuiApplication::screens())
        watch(screen);
    QObject::connect(qApp, &QGuiApplication::screenAdded, qApp, [](QScreen* screen) {
        watch(screen);
        apply();
    });
}

} // namespace capture_bounds_screens

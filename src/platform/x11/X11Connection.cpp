#include "platform/x11/X11Connection.h"

#include <QGuiApplication>
#include <X11/Xlib.h>

namespace x11 {

namespace {

QNativeInterface::QX11Application* application() {
    return qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
}

} // namespace

xcb_connection_t* connection() {
    auto* x11 = application();
    return x11 ? x11->connection() : nullptr;
}

_XDisplay* display() {
    auto* x11 = application();
    return x11 ? x11->display() : nullptr;
}

xcb_window_t rootWindow() {
    auto* x11 = application();
    return x11 && x11->display() ? static_cast<xcb_window_t>(DefaultRootWindow(x11->display()))
                                 : XCB_NONE;
}

double devicePixelRatio() {
    return qGuiApp ? qGuiApp->devicePixelRatio() : 1.0;
}

} // namespace x11

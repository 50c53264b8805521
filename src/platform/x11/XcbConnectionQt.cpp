#include "platform/x11/XcbConnection.h"

#include <QGuiApplication>

xcb_connection_t* qtXcbConnection() {
    if (!qGuiApp)
        return nullptr;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

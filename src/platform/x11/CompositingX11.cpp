#include "platform/x11/CompositingX11.h"

#include "platform/x11/XcbConnection.h"

#include <QByteArray>
#include <QGuiApplication>
#include <QWindow>
#include <X11/Xlib.h>
#include <X11/extensions/shape.h>

std::optional<bool> x11CompositingManagerRunning() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection())
        return std::nullopt;
    xcb_connection_t* connection = x11->connection();
    const QByteArray name = "_NET_WM_CM_S0";
    const XcbReply<xcb_intern_atom_reply_t> atom(xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 1, static_cast<quint16>(name.size()), name.data()),
        nullptr));
    if (!atom || atom->atom == XCB_NONE)
        return false;
    const XcbReply<xcb_get_selection_owner_reply_t> owner(xcb_get_selection_owner_reply(
        connection, xcb_get_selection_owner(connection, atom->atom), nullptr));
    return owner && owner->owner != XCB_NONE;
}

bool x11SetInputShape(QWindow* window, const QRect& deviceRect) {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->display() || !window)
        return false;
    XRectangle rectangle{static_cast<short>(deviceRect.x()), static_cast<short>(deviceRect.y()),
                         static_cast<unsigned short>(deviceRect.width()),
                         static_cast<unsigned short>(deviceRect.height())};
    XShapeCombineRectangles(x11->display(), static_cast<Window>(window->winId()), ShapeInput, 0, 0,
                            &rectangle, 1, ShapeSet, Unsorted);
    XFlush(x11->display());
    return true;
}

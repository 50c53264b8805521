#include "platform/x11/XcbConnection.h"

#include <QGuiApplication>

XcbConnection::XcbConnection(bool own) {
    int screenNumber = 0;
    if (!own && qGuiApp) {
        if (auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()) {
            m_connection = x11->connection();
            // Qt uses the display's default screen.
            screenNumber = 0;
        }
    }
    if (!m_connection) {
        xcb_connection_t* c = xcb_connect(nullptr, &screenNumber);
        if (xcb_connection_has_error(c)) {
            xcb_disconnect(c);
            return;
        }
        m_connection = c;
        m_owned = true;
    }
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(m_connection));
    for (int i = 0; i < screenNumber && it.rem; ++i)
        xcb_screen_next(&it);
    m_screen = it.rem ? it.data : nullptr;
    if (!m_screen) {
        if (m_owned)
            xcb_disconnect(m_connection);
        m_connection = nullptr;
    }
}

XcbConnection::~XcbConnection() {
    if (m_owned && m_connection)
        xcb_disconnect(m_connection);
}

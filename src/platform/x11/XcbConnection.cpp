#include "platform/x11/XcbConnection.h"

#include <QGuiApplication>
#include <X11/keysym.h>

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
    m_screen = xcbScreen(m_connection, screenNumber);
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

bool XcbConnection::qtOnX11() {
    return qGuiApp && qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
}

QList<xcb_keycode_t> XcbConnection::keycodesOf(xcb_keysym_t keysym) const {
    QList<xcb_keycode_t> keycodes;
    const XcbKeySymbols symbols(m_connection ? xcb_key_symbols_alloc(m_connection) : nullptr);
    if (!symbols)
        return keycodes;
    XcbReply<xcb_keycode_t> codes(xcb_key_symbols_get_keycode(symbols.get(), keysym));
    for (xcb_keycode_t* code = codes.get(); code && *code != XCB_NO_SYMBOL; ++code)
        keycodes.append(*code);
    return keycodes;
}

quint16 XcbConnection::numLockMask() const {
    const QList<xcb_keycode_t> numLock = keycodesOf(XK_Num_Lock);
    if (numLock.isEmpty())
        return 0;
    XcbReply<xcb_get_modifier_mapping_reply_t> mapping(xcb_get_modifier_mapping_reply(
        m_connection, xcb_get_modifier_mapping(m_connection), nullptr));
    if (!mapping)
        return 0;
    const xcb_keycode_t* map = xcb_get_modifier_mapping_keycodes(mapping.get());
    const int perModifier = mapping->keycodes_per_modifier;
    for (int modifier = 0; modifier < 8; ++modifier)
        for (int i = 0; i < perModifier; ++i)
            if (numLock.contains(map[modifier * perModifier + i]))
                return static_cast<quint16>(1u << modifier);
    return 0;
}

bool x11DisplayAvailable() {
    return XcbConnection(true).isValid();
}

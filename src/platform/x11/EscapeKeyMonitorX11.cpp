#include "platform/x11/EscapeKeyMonitorX11.h"

#include "platform/x11/HotkeyMapping.h"
#include "platform/x11/XcbConnection.h"

#include <QCoreApplication>
#include <X11/keysym.h>

EscapeKeyMonitorX11::~EscapeKeyMonitorX11() {
    stop();
}

bool EscapeKeyMonitorX11::start(std::function<void()> onEscape) {
    stop();
    m_onEscape = std::move(onEscape);
    if (!XcbConnection::qtOnX11())
        return false;
    const XcbConnection x;
    const QList<xcb_keycode_t> keycodes =
        x.isValid() ? x.keycodesOf(XK_Escape) : QList<xcb_keycode_t>();
    if (keycodes.isEmpty())
        return false;
    m_root = x.root();
    m_keycode = keycodes.first();
    xcb_connection_t* c = x.get();
    for (const hotkey_mapping::KeyGrab& grab :
         hotkey_mapping::lockVariants({m_keycode}, 0, x.numLockMask(), hotkey_mapping::lockMask)) {
        const xcb_void_cookie_t cookie = xcb_grab_key_checked(
            c, 1, m_root, grab.modifiers, m_keycode, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
        if (XcbReply<xcb_generic_error_t>(xcb_request_check(c, cookie)))
            continue;
        m_grabbedModifiers.append(grab.modifiers);
    }
    QCoreApplication::instance()->installNativeEventFilter(this);
    m_filtering = true;
    return !m_grabbedModifiers.isEmpty();
}

void EscapeKeyMonitorX11::stop() {
    if (m_filtering && QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
    m_filtering = false;
    if (!m_grabbedModifiers.isEmpty() && XcbConnection::qtOnX11()) {
        const XcbConnection x;
        for (std::uint16_t modifiers : std::as_const(m_grabbedModifiers))
            xcb_ungrab_key(x.get(), m_keycode, m_root, modifiers);
        xcb_flush(x.get());
    }
    m_grabbedModifiers.clear();
    m_onEscape = nullptr;
}

bool EscapeKeyMonitorX11::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t" || !m_onEscape)
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7f) != XCB_KEY_PRESS)
        return false;
    const auto* key = static_cast<const xcb_key_press_event_t*>(message);
    if (key->detail != m_keycode || key->event != m_root)
        return false;
    // The callback may stop the monitor; keep it alive while it runs.
    const std::function<void()> onEscape = m_onEscape;
    onEscape();
    return true;
}

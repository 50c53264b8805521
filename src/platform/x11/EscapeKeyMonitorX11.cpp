#include "platform/x11/EscapeKeyMonitorX11.h"

#include "platform/x11/X11Connection.h"

#include <QCoreApplication>
#include <X11/Xlib.h>
#include <X11/keysym.h>

namespace {

// The modifier bit NumLock sits on in the server's current keymap, or 0.
std::uint16_t numLockMask(Display* dpy) {
    const KeyCode numLock = XKeysymToKeycode(dpy, XK_Num_Lock);
    XModifierKeymap* map = XGetModifierMapping(dpy);
    if (!map)
        return 0;
    std::uint16_t mask = 0;
    for (int modifier = 0; modifier < 8 && numLock != 0; ++modifier)
        for (int i = 0; i < map->max_keypermod; ++i)
            if (map->modifiermap[modifier * map->max_keypermod + i] == numLock)
                mask = static_cast<std::uint16_t>(1u << modifier);
    XFreeModifiermap(map);
    return mask;
}

} // namespace

EscapeKeyMonitorX11::~EscapeKeyMonitorX11() {
    stop();
}

bool EscapeKeyMonitorX11::start(std::function<void()> onEscape) {
    stop();
    m_onEscape = std::move(onEscape);
    xcb_connection_t* c = x11::connection();
    Display* dpy = x11::display();
    if (!c || !dpy)
        return false;
    m_keycode = XKeysymToKeycode(dpy, XK_Escape);
    if (m_keycode == 0)
        return false;
    const std::uint16_t num = numLockMask(dpy);
    QList<std::uint16_t> variants{0, XCB_MOD_MASK_LOCK};
    if (num != 0)
        variants << num << static_cast<std::uint16_t>(num | XCB_MOD_MASK_LOCK);
    for (std::uint16_t modifiers : variants) {
        const xcb_void_cookie_t cookie =
            xcb_grab_key_checked(c, 1, x11::rootWindow(), modifiers, m_keycode, XCB_GRAB_MODE_ASYNC,
                                 XCB_GRAB_MODE_ASYNC);
        if (xcb_generic_error_t* error = xcb_request_check(c, cookie)) {
            std::free(error);
            continue;
        }
        m_grabbedModifiers.append(modifiers);
    }
    QCoreApplication::instance()->installNativeEventFilter(this);
    m_filtering = true;
    return !m_grabbedModifiers.isEmpty();
}

void EscapeKeyMonitorX11::stop() {
    if (m_filtering && QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
    m_filtering = false;
    if (xcb_connection_t* c = x11::connection()) {
        for (std::uint16_t modifiers : std::as_const(m_grabbedModifiers))
            xcb_ungrab_key(c, m_keycode, x11::rootWindow(), modifiers);
        xcb_flush(c);
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
    if (key->detail != m_keycode || key->event != x11::rootWindow())
        return false;
    // The callback may stop the monitor; keep it alive while it runs.
    const std::function<void()> onEscape = m_onEscape;
    onEscape();
    return true;
}

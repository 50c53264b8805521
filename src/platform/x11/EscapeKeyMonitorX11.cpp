#include "platform/x11/EscapeKeyMonitorX11.h"

#include "platform/x11/XcbConnection.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <X11/keysym.h>
#include <xcb/xcb_keysyms.h>

namespace {

struct KeySymbolsFree {
    void operator()(xcb_key_symbols_t* symbols) const { xcb_key_symbols_free(symbols); }
};
using KeySymbols = std::unique_ptr<xcb_key_symbols_t, KeySymbolsFree>;

// The first key code that types `keysym` in the server's current keymap, or 0.
xcb_keycode_t keycodeOf(xcb_key_symbols_t* symbols, xcb_keysym_t keysym) {
    XcbReply<xcb_keycode_t> codes(xcb_key_symbols_get_keycode(symbols, keysym));
    return codes ? *codes : 0;
}

// The modifier bit NumLock sits on in the server's current keymap, or 0.
std::uint16_t numLockMask(xcb_connection_t* c, xcb_key_symbols_t* symbols) {
    const xcb_keycode_t numLock = keycodeOf(symbols, XK_Num_Lock);
    XcbReply<xcb_get_modifier_mapping_reply_t> mapping(
        xcb_get_modifier_mapping_reply(c, xcb_get_modifier_mapping(c), nullptr));
    if (!mapping || numLock == 0)
        return 0;
    const xcb_keycode_t* map = xcb_get_modifier_mapping_keycodes(mapping.get());
    const int perModifier = mapping->keycodes_per_modifier;
    for (int modifier = 0; modifier < 8; ++modifier)
        for (int i = 0; i < perModifier; ++i)
            if (map[modifier * perModifier + i] == numLock)
                return static_cast<std::uint16_t>(1u << modifier);
    return 0;
}

// Grabs only make sense on the connection whose events Qt reads.
bool onX11() {
    return qGuiApp && qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
}

} // namespace

EscapeKeyMonitorX11::~EscapeKeyMonitorX11() {
    stop();
}

bool EscapeKeyMonitorX11::start(std::function<void()> onEscape) {
    stop();
    m_onEscape = std::move(onEscape);
    if (!onX11())
        return false;
    const XcbConnection x;
    const KeySymbols symbols(x.isValid() ? xcb_key_symbols_alloc(x.get()) : nullptr);
    if (!symbols)
        return false;
    m_root = x.root();
    m_keycode = keycodeOf(symbols.get(), XK_Escape);
    if (m_keycode == 0)
        return false;
    xcb_connection_t* c = x.get();
    const std::uint16_t num = numLockMask(c, symbols.get());
    QList<std::uint16_t> variants{0, XCB_MOD_MASK_LOCK};
    if (num != 0)
        variants << num << static_cast<std::uint16_t>(num | XCB_MOD_MASK_LOCK);
    for (std::uint16_t modifiers : variants) {
        const xcb_void_cookie_t cookie = xcb_grab_key_checked(
            c, 1, m_root, modifiers, m_keycode, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
        if (XcbReply<xcb_generic_error_t>(xcb_request_check(c, cookie)))
            continue;
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
    if (!m_grabbedModifiers.isEmpty() && onX11()) {
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

#pragma once

#include <QList>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

// xcb replies are malloc'd: free them with the reply's owner.
struct XcbFree {
    void operator()(void* p) const { std::free(p); }
};
template <typename T> using XcbReply = std::unique_ptr<T, XcbFree>;

struct XcbKeySymbolsFree {
    void operator()(xcb_key_symbols_t* symbols) const { xcb_key_symbols_free(symbols); }
};
using XcbKeySymbols = std::unique_ptr<xcb_key_symbols_t, XcbKeySymbolsFree>;

// The screen numbered `number` of a connection, or null. Inline, so that a program that
// connects by itself (the capture tool's quick path) does not pull in Qt Gui with it.
inline xcb_screen_t* xcbScreen(xcb_connection_t* connection, int number) {
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < number && it.rem; ++i)
        xcb_screen_next(&it);
    return it.rem ? it.data : nullptr;
}

// The atom of `name`; with `onlyIfExists`, XCB_ATOM_NONE when no client made it yet.
inline xcb_atom_t xcbAtom(xcb_connection_t* connection, const char* name, bool onlyIfExists) {
    const XcbReply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, onlyIfExists, uint16_t(std::strlen(name)), name),
        nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

// A connection to the X server: Qt's own when the application runs on X11 (no second
// connection to set up), else one of its own, e.g. in the capture tool before any
// QGuiApplication exists, or when `own` asks for one that another thread may use.
class XcbConnection {
public:
    explicit XcbConnection(bool own = false);
    // Whether Qt itself reads events from an X server: key grabs only make sense on the
    // connection whose events Qt reads.
    static bool qtOnX11();
    ~XcbConnection();
    XcbConnection(const XcbConnection&) = delete;
    XcbConnection& operator=(const XcbConnection&) = delete;

    bool isValid() const { return m_connection != nullptr; }
    xcb_connection_t* get() const { return m_connection; }
    xcb_screen_t* screen() const { return m_screen; }
    xcb_window_t root() const { return m_screen ? m_screen->root : 0; }

    // The key codes that type `keysym` in the server's current keymap.
    QList<xcb_keycode_t> keycodesOf(xcb_keysym_t keysym) const;
    // The modifier bit NumLock sits on in the server's current keymap, 0 when none.
    quint16 numLockMask() const;

private:
    xcb_connection_t* m_connection = nullptr;
    xcb_screen_t* m_screen = nullptr;
    bool m_owned = false;
};

// Whether an X server answers at $DISPLAY; asked before Qt starts, which would abort.
bool x11DisplayAvailable();

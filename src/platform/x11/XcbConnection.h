#pragma once

#include <cstdlib>
#include <memory>
#include <xcb/xcb.h>

// xcb replies are malloc'd: free them with the reply's owner.
struct XcbFree {
    void operator()(void* p) const { std::free(p); }
};
template <typename T> using XcbReply = std::unique_ptr<T, XcbFree>;

// A connection to the X server: a borrowed one (Qt's, see qtXcbConnection()) or, without
// one, a connection of its own, e.g. in the capture tool before any QGuiApplication
// exists, or for work on another thread.
class XcbConnection {
public:
    explicit XcbConnection(xcb_connection_t* borrowed = nullptr);
    ~XcbConnection();
    XcbConnection(const XcbConnection&) = delete;
    XcbConnection& operator=(const XcbConnection&) = delete;

    bool isValid() const { return m_connection != nullptr; }
    xcb_connection_t* get() const { return m_connection; }
    xcb_screen_t* screen() const { return m_screen; }
    xcb_window_t root() const { return m_screen ? m_screen->root : 0; }

private:
    xcb_connection_t* m_connection = nullptr;
    xcb_screen_t* m_screen = nullptr;
    bool m_owned = false;
};

// Qt's own connection when the application runs on X11, else null. Kept apart from
// XcbConnection so code without a QGuiApplication does not link Qt Gui.
xcb_connection_t* qtXcbConnection();

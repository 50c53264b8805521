#pragma once

#include <cstdlib>
#include <memory>
#include <xcb/xcb.h>

// xcb replies are malloc'd: free them with the reply's owner.
struct XcbFree {
    void operator()(void* p) const { std::free(p); }
};
template <typename T> using XcbReply = std::unique_ptr<T, XcbFree>;

// A connection to the X server: Qt's own when the application runs on X11 (no second
// connection to set up), else one of its own, e.g. in the capture tool before any
// QGuiApplication exists, or when `own` asks for one that another thread may use.
class XcbConnection {
public:
    explicit XcbConnection(bool own = false);
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

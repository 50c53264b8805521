#include "platform/x11/SingleInstanceX11.h"

#include <QDeadlineTimer>
#include <QThread>

namespace {

constexpr char selectionName[] = "_QUILLBOX_INSTANCE";
constexpr char windowName[] = "Quillbox instance";

xcb_window_t ownerOf(xcb_connection_t* connection, xcb_atom_t selection) {
    const XcbReply<xcb_get_selection_owner_reply_t> reply(xcb_get_selection_owner_reply(
        connection, xcb_get_selection_owner(connection, selection), nullptr));
    return reply ? reply->owner : XCB_NONE;
}

} // namespace

SingleInstanceX11::SingleInstanceX11() = default;

SingleInstanceX11::~SingleInstanceX11() {
    xcb_connection_t* connection = m_connection.get();
    if (m_window != 0 && connection) {
        xcb_destroy_window(connection, m_window);
        xcb_flush(connection);
    }
}

bool SingleInstanceX11::claim(int timeoutMs) {
    xcb_connection_t* connection = m_connection.get();
    const xcb_window_t root = m_connection.root();
    if (!connection || root == XCB_NONE)
        return true; // no display to share
    const xcb_atom_t selection = xcbAtom(connection, selectionName, false);
    if (selection == XCB_ATOM_NONE)
        return true;
    if (m_window == 0) {
        m_window = xcb_generate_id(connection);
        xcb_create_window(connection, XCB_COPY_FROM_PARENT, m_window, root, -1, -1, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, m_window, XCB_ATOM_WM_NAME,
                            XCB_ATOM_STRING, 8, sizeof windowName - 1, windowName);
    }
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        // Looking and taking under one server grab: of two instances started together,
        // exactly one finds the selection free.
        xcb_grab_server(connection);
        const xcb_window_t owner = ownerOf(connection, selection);
        if (owner == XCB_NONE)
            xcb_set_selection_owner(connection, m_window, selection, XCB_CURRENT_TIME);
        xcb_ungrab_server(connection);
        xcb_flush(connection); // no other client may wait on the grab while this one sleeps
        if (owner == XCB_NONE)
            return ownerOf(connection, selection) == m_window;
        if (owner == m_window)
            return true;
        if (deadline.hasExpired())
            return false;
        QThread::msleep(50);
    }
}

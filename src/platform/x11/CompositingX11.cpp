#include "platform/x11/CompositingX11.h"

#include "platform/x11/XcbConnection.h"

#include <string>

bool x11CompositingManagerRunning() {
    XcbConnection connection;
    if (!connection.isValid())
        return false;
    xcb_connection_t* c = connection.get();
    // Qt runs on the display's default screen, number 0 here as in XcbConnection.
    const std::string name = "_NET_WM_CM_S0";
    const XcbReply<xcb_intern_atom_reply_t> atom(xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 1, uint16_t(name.size()), name.c_str()), nullptr));
    if (!atom || atom->atom == XCB_ATOM_NONE)
        return false;
    const XcbReply<xcb_get_selection_owner_reply_t> owner(
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, atom->atom), nullptr));
    return owner && owner->owner != XCB_WINDOW_NONE;
}

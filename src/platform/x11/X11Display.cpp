#include "platform/x11/X11Display.h"

#include <xcb/xcb.h>

bool x11DisplayAvailable() {
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    const bool available = connection && xcb_connection_has_error(connection) == 0;
    if (connection)
        xcb_disconnect(connection);
    return available;
}

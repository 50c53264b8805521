#include "platform/x11/ScreenRecordingPermissionX11.h"

#include "platform/x11/XcbConnection.h"

#include <xcb/xcb.h>

bool ScreenRecordingPermissionX11::preflight() {
    XcbConnection connection;
    if (!connection.isValid())
        return false;
    // One pixel of the root window: enough to learn that reading is allowed.
    xcb_get_image_cookie_t cookie = xcb_get_image(connection.get(), XCB_IMAGE_FORMAT_Z_PIXMAP,
                                                  connection.root(), 0, 0, 1, 1, ~0u);
    xcb_generic_error_t* error = nullptr;
    XcbReply<xcb_get_image_reply_t> reply(xcb_get_image_reply(connection.get(), cookie, &error));
    // Taken here, so a refusal does not reach Qt's event queue as an X error.
    XcbReply<xcb_generic_error_t> refused(error);
    return reply != nullptr;
}

#include "platform/x11/WindowListX11.h"

#include "platform/x11/XcbConnection.h"

#include <QElapsedTimer>
#include <QQueue>
#include <QThread>
#include <vector>

namespace {

bool hasProperty(xcb_connection_t* c, xcb_window_t window, xcb_atom_t property) {
    XcbReply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        c, xcb_get_property(c, 0, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 0), nullptr));
    return reply && reply->type != XCB_ATOM_NONE;
}

std::vector<xcb_window_t> children(xcb_connection_t* c, xcb_window_t window) {
    XcbReply<xcb_query_tree_reply_t> tree(
        xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr));
    if (!tree)
        return {};
    const xcb_window_t* list = xcb_query_tree_children(tree.get());
    return {list, list + xcb_query_tree_children_length(tree.get())};
}

// The application's window inside a window manager's frame: the nearest descendant that
// carries WM_STATE. None when no window manager has set it anywhere below.
xcb_window_t clientOf(xcb_connection_t* c, xcb_window_t frame, xcb_atom_t wmState) {
    QQueue<xcb_window_t> queue;
    queue.enqueue(frame);
    while (!queue.isEmpty()) {
        const xcb_window_t window = queue.dequeue();
        if (hasProperty(c, window, wmState))
            return window;
        for (xcb_window_t child : children(c, window))
            queue.enqueue(child);
    }
    return XCB_WINDOW_NONE;
}

// The window's inside (without its border) in root coordinates.
QRect rootGeometry(xcb_connection_t* c, xcb_window_t root, xcb_window_t window) {
    XcbReply<xcb_get_geometry_reply_t> geometry(
        xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr));
    XcbReply<xcb_translate_coordinates_reply_t> origin(xcb_translate_coordinates_reply(
        c, xcb_translate_coordinates(c, window, root, 0, 0), nullptr));
    if (!geometry || !origin)
        return {};
    return {origin->dst_x, origin->dst_y, geometry->width, geometry->height};
}

} // namespace

QList<WindowList::Window> WindowListX11::topLevelWindows() {
    XcbConnection connection;
    if (!connection.isValid())
        return {};
    xcb_connection_t* c = connection.get();
    const xcb_window_t root = connection.root();
    const xcb_atom_t wmState = xcbAtom(c, "WM_STATE", true);

    const std::vector<xcb_window_t> stack = children(c, root); // bottom to top
    std::vector<xcb_get_window_attributes_cookie_t> cookies;
    cookies.reserve(stack.size());
    for (xcb_window_t window : stack)
        cookies.push_back(xcb_get_window_attributes(c, window));

    QList<Window> windows;
    for (size_t i = 0; i < stack.size(); ++i) {
        XcbReply<xcb_get_window_attributes_reply_t> attributes(
            xcb_get_window_attributes_reply(c, cookies[i], nullptr));
        // Menus, tooltips and other override-redirect windows are not windows to capture.
        if (!attributes || attributes->map_state != XCB_MAP_STATE_VIEWABLE ||
            attributes->_class != XCB_WINDOW_CLASS_INPUT_OUTPUT || attributes->override_redirect)
            continue;
        Window window;
        window.id = stack[i];
        window.topLevel = stack[i];
        window.frame = rootGeometry(c, root, stack[i]);
        const xcb_window_t client =
            wmState ? clientOf(c, stack[i], wmState) : xcb_window_t(XCB_WINDOW_NONE);
        window.client = client == XCB_WINDOW_NONE ? window.frame : rootGeometry(c, root, client);
        if (client != XCB_WINDOW_NONE)
            window.id = client;
        if (!window.frame.isEmpty() && !window.client.isEmpty())
            windows.prepend(window);
    }
    return windows;
}

namespace {

// The topmost shown top-level window that is not override-redirect (menus, tooltips).
xcb_window_t topmostManaged(xcb_connection_t* c, xcb_window_t root) {
    const std::vector<xcb_window_t> stack = children(c, root);
    for (auto it = stack.rbegin(); it != stack.rend(); ++it) {
        XcbReply<xcb_get_window_attributes_reply_t> attributes(
            xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, *it), nullptr));
        if (attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE &&
            !attributes->override_redirect)
            return *it;
    }
    return XCB_WINDOW_NONE;
}

// A round trip on Qt's connection: what Qt asked of the server (hiding our overlays) has
// been done once it returns.
void syncQt() {
    const XcbConnection qt;
    if (qt.isValid())
        XcbReply<xcb_get_input_focus_reply_t>(
            xcb_get_input_focus_reply(qt.get(), xcb_get_input_focus(qt.get()), nullptr));
}

} // namespace

bool WindowListX11::raise(const Window& window, int timeoutMs) {
    syncQt();
    const XcbConnection connection(true);
    if (!connection.isValid())
        return false;
    xcb_connection_t* c = connection.get();
    const xcb_window_t root = connection.root();
    const auto client = static_cast<xcb_window_t>(window.id);
    const auto topLevel = static_cast<xcb_window_t>(window.topLevel);
    if (hasProperty(c, root, xcbAtom(c, "_NET_SUPPORTING_WM_CHECK", true))) {
        // Ask the window manager, as a pager would.
        xcb_client_message_event_t message{};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = client;
        message.type = xcbAtom(c, "_NET_ACTIVE_WINDOW", true);
        message.data.data32[0] = 2; // source: pager
        message.data.data32[1] = XCB_CURRENT_TIME;
        xcb_send_event(c, 0, root,
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&message));
    }
    const uint32_t above = XCB_STACK_MODE_ABOVE;
    xcb_configure_window(c, topLevel, XCB_CONFIG_WINDOW_STACK_MODE, &above);
    xcb_flush(c);
    QElapsedTimer timer;
    timer.start();
    while (topmostManaged(c, root) != topLevel) {
        if (timer.hasExpired(timeoutMs))
            return false;
        QThread::msleep(10);
    }
    return true;
}

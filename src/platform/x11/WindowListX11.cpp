#include "platform/x11/WindowListX11.h"

#include "platform/x11/XcbConnection.h"

#include <QElapsedTimer>
#include <QHash>
#include <QQueue>
#include <QThread>
#include <algorithm>
#include <vector>

namespace {

XcbReply<xcb_get_property_reply_t> property(xcb_connection_t* c, xcb_window_t window,
                                            xcb_atom_t name, uint32_t length) {
    return XcbReply<xcb_get_property_reply_t>(xcb_get_property_reply(
        c, xcb_get_property(c, 0, window, name, XCB_GET_PROPERTY_TYPE_ANY, 0, length), nullptr));
}

bool hasProperty(xcb_connection_t* c, xcb_window_t window, xcb_atom_t name) {
    const auto reply = property(c, window, name, 0);
    return reply && reply->type != XCB_ATOM_NONE;
}

// The 32-bit values of a property, none when it is absent.
std::vector<uint32_t> values(xcb_connection_t* c, xcb_window_t window, xcb_atom_t name) {
    if (name == XCB_ATOM_NONE)
        return {};
    const auto reply = property(c, window, name, 64);
    if (!reply || reply->format != 32)
        return {};
    const auto* data = static_cast<const uint32_t*>(xcb_get_property_value(reply.get()));
    return {data, data + xcb_get_property_value_length(reply.get()) / 4};
}

// Left, right, top and bottom, as the window manager and toolkits store frame extents.
std::optional<QMargins> extents(xcb_connection_t* c, xcb_window_t window, const char* name) {
    const std::vector<uint32_t> v = values(c, window, xcbAtom(c, name, true));
    if (v.size() != 4)
        return std::nullopt;
    return QMargins(int(v[0]), int(v[2]), int(v[1]), int(v[3]));
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
    if (wmState == XCB_ATOM_NONE)
        return XCB_WINDOW_NONE;
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

bool shownAndManaged(const xcb_get_window_attributes_reply_t* attributes) {
    // Menus, tooltips and other override-redirect windows are not windows to capture.
    return attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE &&
           attributes->_class == XCB_WINDOW_CLASS_INPUT_OUTPUT && !attributes->override_redirect;
}

} // namespace

QRect WindowListX11::visibleFrame(const QRect& client, std::optional<QMargins> frameExtents,
                                  std::optional<QMargins> shadow, const QRect& topLevel) {
    if (!frameExtents && !shadow)
        return topLevel;
    return client.marginsAdded(frameExtents.value_or(QMargins()))
        .marginsRemoved(shadow.value_or(QMargins()));
}

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
        if (!shownAndManaged(attributes.get()))
            continue;
        const QRect topLevel = rootGeometry(c, root, stack[i]);
        const xcb_window_t client = clientOf(c, stack[i], wmState);
        Window window;
        window.topLevel = stack[i];
        window.id = client == XCB_WINDOW_NONE ? stack[i] : client;
        window.frame = client == XCB_WINDOW_NONE
                           ? topLevel
                           : visibleFrame(rootGeometry(c, root, client),
                                          extents(c, client, "_NET_FRAME_EXTENTS"),
                                          extents(c, client, "_GTK_FRAME_EXTENTS"), topLevel);
        if (!window.frame.isEmpty())
            windows.prepend(window);
    }
    return windows;
}

namespace {

// Panels, docks and windows the user keeps on top stay above a raised window.
bool keptAbove(xcb_connection_t* c, xcb_window_t topLevel) {
    const xcb_window_t client = clientOf(c, topLevel, xcbAtom(c, "WM_STATE", true));
    const xcb_window_t window = client == XCB_WINDOW_NONE ? topLevel : client;
    const auto holds = [&](const char* list, const char* value) {
        const xcb_atom_t atom = xcbAtom(c, value, true);
        const std::vector<uint32_t> v = values(c, window, xcbAtom(c, list, true));
        return atom != XCB_ATOM_NONE && std::find(v.begin(), v.end(), atom) != v.end();
    };
    return holds("_NET_WM_WINDOW_TYPE", "_NET_WM_WINDOW_TYPE_DOCK") ||
           holds("_NET_WM_STATE", "_NET_WM_STATE_ABOVE");
}

// Whether a window stacked above `topLevel` overlaps `frame`, leaving out those kept above
// (remembered in `kept`); none when `topLevel` is no longer shown.
std::optional<bool> coveredAbove(xcb_connection_t* c, xcb_window_t root, xcb_window_t topLevel,
                                 const QRect& frame, QHash<xcb_window_t, bool>& kept) {
    const std::vector<xcb_window_t> stack = children(c, root); // bottom to top
    const auto self = std::find(stack.begin(), stack.end(), topLevel);
    if (self == stack.end())
        return std::nullopt;
    for (auto it = self + 1; it != stack.end(); ++it) {
        XcbReply<xcb_get_window_attributes_reply_t> attributes(
            xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, *it), nullptr));
        if (!shownAndManaged(attributes.get()) || !rootGeometry(c, root, *it).intersects(frame))
            continue;
        if (!kept.contains(*it))
            kept.insert(*it, keptAbove(c, *it));
        if (!kept.value(*it))
            return true;
    }
    return false;
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
    QHash<xcb_window_t, bool> kept;
    QElapsedTimer timer;
    timer.start();
    for (;;) {
        const std::optional<bool> covered = coveredAbove(c, root, topLevel, window.frame, kept);
        if (!covered)
            return false;
        if (!*covered)
            return true;
        if (timer.hasExpired(timeoutMs))
            return false;
        QThread::msleep(10);
    }
}

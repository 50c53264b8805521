#include "platform/x11/InputSynthesizerXTest.h"

#include "platform/x11/X11Connection.h"

#include <cmath>
#include <cstdlib>
#include <xcb/xtest.h>

namespace {

constexpr std::uint8_t wheelUp = 4;
constexpr std::uint8_t wheelDown = 5;

std::int16_t toDevice(double logical) {
    return static_cast<std::int16_t>(std::lround(logical * x11::devicePixelRatio()));
}

void fake(xcb_connection_t* c, std::uint8_t type, std::uint8_t detail, const QPointF& at) {
    xcb_test_fake_input(c, type, detail, XCB_CURRENT_TIME, x11::rootWindow(), toDevice(at.x()),
                        toDevice(at.y()), 0);
}

} // namespace

bool InputSynthesizerXTest::isAvailable() {
    xcb_connection_t* c = x11::connection();
    if (!c)
        return false;
    const xcb_query_extension_reply_t* extension = xcb_get_extension_data(c, &xcb_test_id);
    return extension && extension->present;
}

std::optional<QPointF> InputSynthesizerXTest::pointerPosition() {
    xcb_connection_t* c = x11::connection();
    if (!c)
        return std::nullopt;
    x11::Reply<xcb_query_pointer_reply_t> reply(
        xcb_query_pointer_reply(c, xcb_query_pointer(c, x11::rootWindow()), nullptr));
    if (!reply)
        return std::nullopt;
    const double ratio = x11::devicePixelRatio();
    return QPointF(reply->root_x / ratio, reply->root_y / ratio);
}

void InputSynthesizerXTest::warpPointer(const QPointF& position) {
    xcb_connection_t* c = x11::connection();
    if (!c || !isAvailable())
        return;
    fake(c, XCB_MOTION_NOTIFY, 0, position);
    xcb_flush(c);
}

void InputSynthesizerXTest::scrollWheel(const QPointF& position, int clicks) {
    xcb_connection_t* c = x11::connection();
    if (!c || !isAvailable() || clicks == 0)
        return;
    fake(c, XCB_MOTION_NOTIFY, 0, position);
    const std::uint8_t button = clicks > 0 ? wheelUp : wheelDown;
    for (int i = 0; i < std::abs(clicks); ++i) {
        fake(c, XCB_BUTTON_PRESS, button, position);
        fake(c, XCB_BUTTON_RELEASE, button, position);
    }
    xcb_flush(c);
}

#include "platform/x11/InputSynthesizerXTest.h"

#include "platform/x11/XcbConnection.h"

#include <QGuiApplication>
#include <cmath>
#include <cstdlib>
#include <xcb/xtest.h>

namespace {

constexpr std::uint8_t wheelUp = 4;
constexpr std::uint8_t wheelDown = 5;

// Logical (device-independent) coordinates to the server's pixels.
double devicePixelRatio() {
    return qGuiApp ? qGuiApp->devicePixelRatio() : 1.0;
}

std::int16_t toDevice(double logical) {
    return static_cast<std::int16_t>(std::lround(logical * devicePixelRatio()));
}

bool hasXTest(xcb_connection_t* c) {
    const xcb_query_extension_reply_t* extension = xcb_get_extension_data(c, &xcb_test_id);
    return extension && extension->present;
}

void fake(const XcbConnection& x, std::uint8_t type, std::uint8_t detail, const QPointF& at) {
    xcb_test_fake_input(x.get(), type, detail, XCB_CURRENT_TIME, x.root(), toDevice(at.x()),
                        toDevice(at.y()), 0);
}

} // namespace

bool InputSynthesizerXTest::isAvailable() {
    const XcbConnection x;
    return x.isValid() && hasXTest(x.get());
}

std::optional<QPointF> InputSynthesizerXTest::pointerPosition() {
    const XcbConnection x;
    if (!x.isValid())
        return std::nullopt;
    XcbReply<xcb_query_pointer_reply_t> reply(
        xcb_query_pointer_reply(x.get(), xcb_query_pointer(x.get(), x.root()), nullptr));
    if (!reply)
        return std::nullopt;
    const double ratio = devicePixelRatio();
    return QPointF(reply->root_x / ratio, reply->root_y / ratio);
}

void InputSynthesizerXTest::warpPointer(const QPointF& position) {
    const XcbConnection x;
    if (!x.isValid() || !hasXTest(x.get()))
        return;
    fake(x, XCB_MOTION_NOTIFY, 0, position);
    xcb_flush(x.get());
}

void InputSynthesizerXTest::scrollWheel(const QPointF& position, int clicks) {
    const XcbConnection x;
    if (!x.isValid() || !hasXTest(x.get()) || clicks == 0)
        return;
    fake(x, XCB_MOTION_NOTIFY, 0, position);
    const std::uint8_t button = clicks > 0 ? wheelUp : wheelDown;
    for (int i = 0; i < std::abs(clicks); ++i) {
        fake(x, XCB_BUTTON_PRESS, button, position);
        fake(x, XCB_BUTTON_RELEASE, button, position);
    }
    xcb_flush(x.get());
}

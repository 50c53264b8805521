#include "platform/x11/PointerEventsX11.h"

#include "platform/x11/XcbConnection.h"

#include <cstring>
#include <xcb/xinput.h>

namespace {
// Enough for the events Qt reads in one go before it delivers them.
constexpr size_t kept = 64;
} // namespace

PointerEventsX11::PointerEventsX11() {
    const XcbConnection connection;
    if (!connection.isValid())
        return;
    const char name[] = "XInputExtension";
    const XcbReply<xcb_query_extension_reply_t> input(xcb_query_extension_reply(
        connection.get(), xcb_query_extension(connection.get(), uint16_t(std::strlen(name)), name),
        nullptr));
    if (input && input->present)
        m_inputExtension = input->major_opcode;
}

void PointerEventsX11::see(const QByteArray& eventType, const void* message) {
    if (eventType != "xcb_generic_event_t" || !message)
        return;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    const auto kind = [](int code) {
        switch (code) {
        case XCB_BUTTON_PRESS: // the core and the XInput 2 codes are alike
            return QEvent::MouseButtonPress;
        case XCB_BUTTON_RELEASE:
            return QEvent::MouseButtonRelease;
        case XCB_MOTION_NOTIFY:
            return QEvent::MouseMove;
        default:
            return QEvent::None;
        }
    };
    Seen seen{QEvent::None, 0, {}};
    const int code = event->response_type & 0x7f;
    if (code == XCB_GE_GENERIC) {
        const auto* device = static_cast<const xcb_input_button_press_event_t*>(message);
        if (!m_inputExtension || device->extension != m_inputExtension)
            return;
        // 16.16 fixed point: the pixel under the pointer is the whole part.
        seen = {kind(device->event_type), device->time,
                QPoint(device->root_x >> 16, device->root_y >> 16)};
    } else {
        const auto* core = static_cast<const xcb_button_press_event_t*>(message);
        seen = {kind(code), core->time, QPoint(core->root_x, core->root_y)};
    }
    if (seen.type == QEvent::None)
        return;
    m_seen.push_back(seen);
    if (m_seen.size() > kept)
        m_seen.pop_front();
}

std::optional<QPoint> PointerEventsX11::take(QEvent::Type type, quint64 timestamp,
                                             const std::function<bool(const QPoint&)>& fits) {
    for (auto it = m_seen.begin(); it != m_seen.end(); ++it) {
        if (it->type != type || it->time != timestamp || !fits(it->position))
            continue;
        const QPoint position = it->position;
        m_seen.erase(m_seen.begin(), it + 1);
        return position;
    }
    return std::nullopt;
}

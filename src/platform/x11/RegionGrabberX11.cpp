#include "platform/x11/RegionGrabberX11.h"

#include "platform/x11/XcbConnection.h"

#include <QGuiApplication>
#include <QPainter>
#include <QRect>
#include <cmath>
#include <cstring>

namespace {

// The root window's size in server pixels.
QRect rootRect(xcb_connection_t* c, xcb_window_t root) {
    XcbReply<xcb_get_geometry_reply_t> geometry(
        xcb_get_geometry_reply(c, xcb_get_geometry(c, root), nullptr));
    return geometry ? QRect(0, 0, geometry->width, geometry->height) : QRect();
}

// One rectangle inside the root window as a 32-bit image, or null when the server's
// pixel layout is not the usual 32 bits per pixel.
QImage readRoot(xcb_connection_t* c, xcb_window_t root, const QRect& rect) {
    XcbReply<xcb_get_image_reply_t> reply(xcb_get_image_reply(
        c,
        xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, root, static_cast<std::int16_t>(rect.x()),
                      static_cast<std::int16_t>(rect.y()), static_cast<std::uint16_t>(rect.width()),
                      static_cast<std::uint16_t>(rect.height()), ~0u),
        nullptr));
    if (!reply || (reply->depth != 24 && reply->depth != 32))
        return {};
    const int bytes = xcb_get_image_data_length(reply.get());
    const qsizetype rowBytes = qsizetype(rect.width()) * 4;
    if (bytes < rowBytes * rect.height())
        return {};
    QImage image(rect.size(), QImage::Format_RGB32);
    if (image.isNull())
        return {};
    const std::uint8_t* data = xcb_get_image_data(reply.get());
    for (int y = 0; y < rect.height(); ++y)
        std::memcpy(image.scanLine(y), data + y * rowBytes, static_cast<std::size_t>(rowBytes));
    return image;
}

} // namespace

QImage RegionGrabberX11::grab(const QRectF& region) {
    const XcbConnection x;
    if (!x.isValid())
        return {};
    xcb_connection_t* c = x.get();
    const xcb_window_t root = x.root();
    const double ratio = qGuiApp ? qGuiApp->devicePixelRatio() : 1.0;
    const QRect wanted(static_cast<int>(std::lround(region.x() * ratio)),
                       static_cast<int>(std::lround(region.y() * ratio)),
                       static_cast<int>(std::lround(region.width() * ratio)),
                       static_cast<int>(std::lround(region.height() * ratio)));
    if (wanted.isEmpty())
        return {};
    const QRect visible = wanted.intersected(rootRect(c, root));
    if (visible.isEmpty())
        return {};
    const QImage part = readRoot(c, root, visible);
    if (part.isNull() || visible == wanted)
        return part;
    QImage whole(wanted.size(), QImage::Format_RGB32);
    whole.fill(Qt::black);
    QPainter(&whole).drawImage(visible.topLeft() - wanted.topLeft(), part);
    return whole;
}

#include "platform/x11/ScreenGrabberX11.h"

QImage ScreenGrabberX11::grabScreen() {
    return grabRect(QRect(QPoint(0, 0), screenSize()));
}

QImage ScreenGrabberX11::grabRect(const QRect& rect) {
    XcbImage grabbed = m_grabber.grab(rect);
    if (grabbed.isNull())
        return {};
    // The image takes over the grabbed memory and gives it back when it goes.
    auto* owner = new XcbImage(std::move(grabbed));
    return QImage(
        const_cast<uchar*>(owner->bits()), owner->width(), owner->height(), owner->bytesPerLine(),
        QImage::Format(owner->format()), [](void* p) { delete static_cast<XcbImage*>(p); }, owner);
}

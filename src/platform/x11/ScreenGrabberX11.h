#pragma once

#include "core/services/ScreenGrabber.h"
#include "platform/x11/XcbRootGrabber.h"

// Grabs the root window over a connection of its own (usable before any QGuiApplication
// exists, and from one thread at a time), through MIT-SHM when the server offers it.
// Images are Format_RGB32 (RGB16 on 16-bit screens) and own the grabbed memory: no copy.
class ScreenGrabberX11 : public ScreenGrabber {
public:
    QImage grabScreen() override;
    QImage grabRect(const QRect& rect) override;

    // The screen's size in device pixels; empty when there is no X server.
    QSize screenSize() const { return m_grabber.screenSize(); }

private:
    XcbRootGrabber m_grabber;
};

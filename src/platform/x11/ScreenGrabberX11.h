#pragma once

#include "platform/ScreenGrabber.h"

#include <memory>

class XcbConnection;

// Grabs the root window over a connection of its own (usable before any QGuiApplication
// and from any one thread at a time), through MIT-SHM when the server offers it, else
// with plain GetImage. Images are Format_RGB32 (or RGB16 on 16-bit screens) and own
// their pixels without a copy.
class ScreenGrabberX11 : public ScreenGrabber {
public:
    ScreenGrabberX11();
    ~ScreenGrabberX11() override;

    QImage grabScreen() override;
    QImage grabRect(const QRect& rect) override;

    // The screen's size in device pixels; empty when there is no X server.
    QSize screenSize() const;

private:
    QImage grabShm(const QRect& rect);
    QImage grabPlain(const QRect& rect);

    std::unique_ptr<XcbConnection> m_connection;
    int m_format = 0; // QImage::Format for the root's depth; 0 when unsupported
    bool m_shm = false;
};

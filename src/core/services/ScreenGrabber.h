#pragma once

#include <QImage>
#include <QRect>

// Reads the screen's pixels. Coordinates and sizes are device pixels of the whole screen
// (every monitor), origin at its top-left corner.
class ScreenGrabber {
public:
    virtual ~ScreenGrabber() = default;
    // The whole screen; a null image when it cannot be read.
    virtual QImage grabScreen() = 0;
    // A rectangle of the screen, cut to the screen's bounds; a null image when it cannot be
    // read or nothing of it lies on the screen.
    virtual QImage grabRect(const QRect& rect) = 0;
};

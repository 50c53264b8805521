#pragma once

#include <QImage>
#include <QRectF>

// Reads what the screen shows in a region, at the display's full resolution.
class RegionGrabber {
public:
    virtual ~RegionGrabber() = default;
    // `region` in global top-left coordinates; a null image when the screen cannot be read.
    // Parts of the region beyond the screen come back black.
    virtual QImage grab(const QRectF& region) = 0;
};

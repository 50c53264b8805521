#pragma once

#include "platform/RegionGrabber.h"

// Reads the region straight from the root window (what is on screen, in server pixels).
class RegionGrabberX11 : public RegionGrabber {
public:
    QImage grab(const QRectF& region) override;
};

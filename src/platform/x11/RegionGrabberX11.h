#pragma once

#include "core/services/RegionGrabber.h"
#include "platform/x11/ScreenGrabberX11.h"

#include <memory>

// Reads the region straight from the root window (what is on screen, in server pixels),
// through the same grabber as the capture tool.
class RegionGrabberX11 : public RegionGrabber {
public:
    QImage grab(const QRectF& region) override;

private:
    // Connected at the first grab, not at start-up: most runs never scroll.
    std::unique_ptr<ScreenGrabberX11> m_screen;
};

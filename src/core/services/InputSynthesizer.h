#pragma once

#include <QPointF>
#include <optional>

// Synthetic pointer input for the scrolling capture: where the pointer is, moving it, and
// wheel clicks. Points are global top-left coordinates.
class InputSynthesizer {
public:
    virtual ~InputSynthesizer() = default;
    // Whether input can be posted at all; the desktop's stand-in for accessibility trust.
    virtual bool isAvailable() = 0;
    virtual std::optional<QPointF> pointerPosition() = 0;
    virtual void warpPointer(const QPointF& position) = 0;
    // Wheel clicks with the pointer at `position`: positive ones turn the wheel up, so the
    // content moves down the screen (toward the page's beginning); negative ones down.
    virtual void scrollWheel(const QPointF& position, int clicks) = 0;
};

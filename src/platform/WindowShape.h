#pragma once

#include <QRect>

class QWidget;

// Rounded translucent windows (the card, the popover, the scrolling capture's panel).
// Without a compositing manager the X server ignores the alpha channel, so the corners
// outside the rounding show black: such windows are cut to their shape instead.
namespace window_shape {

// True when a compositing manager runs on the display. Off X11 the platform composites.
bool compositingManagerRunning();

// Cuts `window` to a rectangle of its size with corners of `radius` when nothing composites,
// and clears any such cut when something does. Call it whenever the window is shown or
// resized.
void fitRoundedCorners(QWidget* window, double radius);
void fitRoundedCorners(QWidget* window, double radius, bool composited);

// Pointer input reaches `window` only within `area` (its own coordinates), so that a
// shadow drawn around it neither takes clicks nor counts as hovering it.
void setInputArea(QWidget* window, const QRect& area);

} // namespace window_shape

#pragma once

#include <QRect>
#include <optional>

class QWindow;

// Whether a compositing manager owns the _NET_WM_CM_S0 selection (Qt draws on the
// display's first screen): without one, translucent window corners show black. Nothing
// when Qt does not run on X11.
std::optional<bool> x11CompositingManagerRunning();

// Lets pointer input reach `window` only within `deviceRect` (device pixels of the window);
// elsewhere it goes to what lies below. False when Qt does not run on X11.
bool x11SetInputShape(QWindow* window, const QRect& deviceRect);

#pragma once

#include <optional>

// Whether a compositing manager owns the _NET_WM_CM_S0 selection (Qt draws on the
// display's first screen): without one, translucent window corners show black. Nothing
// when Qt does not run on X11.
std::optional<bool> x11CompositingManagerRunning();

#pragma once

// Whether a compositing manager runs on the default screen (it owns _NET_WM_CM_Sn):
// without one, translucent window corners show black.
bool x11CompositingManagerRunning();

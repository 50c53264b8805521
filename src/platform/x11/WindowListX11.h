#pragma once

#include "core/services/WindowList.h"

// Top-level windows from the X server's stacking order. With a window manager the
// application's window is the descendant of the frame that carries WM_STATE; without one
// it is the top-level window itself.
class WindowListX11 : public WindowList {
public:
    QList<Window> topLevelWindows() override;
    bool raise(const Window& window, int timeoutMs) override;
};

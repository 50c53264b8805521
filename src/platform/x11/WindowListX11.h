#pragma once

#include "core/services/WindowList.h"

#include <QMargins>
#include <optional>

// Top-level windows from the X server's stacking order. With a window manager the
// application's window is the descendant of the frame that carries WM_STATE; without one
// it is the top-level window itself.
class WindowListX11 : public WindowList {
public:
    QList<Window> topLevelWindows() override;
    bool raise(const Window& window, int timeoutMs) override;

    // What the user sees of a window: its client grown by the window manager's frame
    // extents and shrunk by a client-side shadow (a toolkit that draws its own
    // decorations says how wide in `shadow`); with neither known, the top-level window.
    static QRect visibleFrame(const QRect& client, std::optional<QMargins> frameExtents,
                              std::optional<QMargins> shadow, const QRect& topLevel);
};

#pragma once

#include <QList>
#include <QRect>
#include <QtGlobal>

// The desktop's top-level windows as they stand now, for picking one by position.
class WindowList {
public:
    struct Window {
        quint64 id = 0;       // the application's window
        quint64 topLevel = 0; // the window manager's frame around it, or the window itself
        // The window as the user sees it, in screen device pixels: the application's area
        // with the window manager's title bar and borders, without a shadow.
        QRect frame;
    };
    virtual ~WindowList() = default;
    // Shown top-level windows, topmost first.
    virtual QList<Window> topLevelWindows() = 0;
    // Brings the window above all others (through the window manager when there is one)
    // and waits until no window overlaps its frame, but for panels, docks and windows
    // kept above the rest, which no raise can clear; false when it is still covered
    // within the time.
    virtual bool raise(const Window& window, int timeoutMs) = 0;
};

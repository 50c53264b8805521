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
        QRect frame;          // the window with its decorations, screen device pixels
        QRect client;         // the application's own area, without decorations
    };
    virtual ~WindowList() = default;
    // Shown top-level windows, topmost first.
    virtual QList<Window> topLevelWindows() = 0;
    // Brings the window above all others (through the window manager when there is one)
    // and waits until it is; false when it is not on top within the time.
    virtual bool raise(const Window& window, int timeoutMs) = 0;
};

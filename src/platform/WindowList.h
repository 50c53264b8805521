#pragma once

#include <QList>
#include <QRect>
#include <QtGlobal>

// The desktop's top-level windows as they stand now, for picking one by position.
class WindowList {
public:
    struct Window {
        quint64 id = 0;
        QRect frame;  // the window with its decorations, screen device pixels
        QRect client; // the application's own area, without decorations
    };
    virtual ~WindowList() = default;
    // Shown top-level windows, topmost first.
    virtual QList<Window> topLevelWindows() = 0;
};

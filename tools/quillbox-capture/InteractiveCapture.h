#pragma once

#include "core/selection/SelectionSession.h"
#include "core/services/WindowList.h"

#include <QImage>
#include <QRect>
#include <optional>

struct Pick {
    QRect rect; // screen device pixels
    // The window picked when part of it was covered: its pixels must be read again.
    std::optional<WindowList::Window> coveredWindow;
};

// Lets the user pick an area or a window on the frozen screen, with an overlay over every
// monitor. Needs a QApplication; nothing when the user cancelled. The overlays are hidden
// when it returns.
std::optional<Pick> pickOnFrozenScreen(SelectionSession::Mode mode, const QImage& frozen,
                                       const QList<WindowList::Window>& windows);

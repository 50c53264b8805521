#pragma once

#include "core/services/WindowList.h"

#include <QList>
#include <QObject>
#include <QPoint>
#include <QRect>

// What the user picks on the screen: an area dragged with the left button, or the window
// under the pointer (with its title bar and borders), clicked. Esc, a right click or a click
// without a drag cancel. Positions are top-left screen device pixels; the overlays forward their
// events here.
class SelectionSession : public QObject {
    Q_OBJECT
public:
    enum class Mode { area, window };
    // Whether a dragged area is cut to the rectangle around the screens or may reach past
    // them.
    enum class Bounds { cut, open };

    // `screens`: each monitor in device pixels. A drag that ends on a screen's last column
    // or row, past which the pointer cannot go, takes that column or row in.
    SelectionSession(Mode mode, QList<QRect> screens, Bounds bounds,
                     QList<WindowList::Window> windows = {}, QObject* parent = nullptr);

    Mode mode() const { return m_mode; }
    bool dragging() const { return m_dragging; }
    // The area being dragged, or the window under the pointer as the user sees it.
    QRect highlight() const;
    // The window picked (window mode, once selected), and whether a window above it
    // covers part of it, so that the frozen picture does not show all of it.
    const WindowList::Window* picked() const { return m_picked; }
    bool pickedIsCovered() const;

    void press(QPoint position, Qt::MouseButton button);
    void move(QPoint position);
    void release(QPoint position, Qt::MouseButton button);
    void cancel();

Q_SIGNALS:
    void highlightChanged();
    void selected(QRect rect);
    void cancelled();

private:
    const WindowList::Window* windowAt(QPoint position) const;
    bool onScreen(QPoint position) const;
    QRect cut(const QRect& rect) const;
    void finish(const QRect& rect);

    Mode m_mode;
    QList<QRect> m_screens;
    QRect m_bounds; // null: open
    QList<WindowList::Window> m_windows;
    bool m_dragging = false;
    bool m_done = false;
    QPoint m_anchor;
    QPoint m_current;
    const WindowList::Window* m_hovered = nullptr;
    const WindowList::Window* m_pressed = nullptr;
    const WindowList::Window* m_picked = nullptr;
};

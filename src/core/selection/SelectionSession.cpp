#include "core/selection/SelectionSession.h"

#include <algorithm>

SelectionSession::SelectionSession(Mode mode, QList<QRect> screens, Bounds bounds,
                                   QList<WindowList::Window> windows, QObject* parent)
    : QObject(parent)
    , m_mode(mode)
    , m_screens(std::move(screens))
    , m_windows(std::move(windows)) {
    if (bounds == Bounds::cut)
        for (const QRect& screen : m_screens)
            m_bounds |= screen;
}

QRect SelectionSession::highlight() const {
    if (m_mode == Mode::window)
        return m_hovered ? cut(m_hovered->frame) : QRect();
    if (!m_dragging)
        return {};
    int left = std::min(m_anchor.x(), m_current.x()), right = std::max(m_anchor.x(), m_current.x());
    int top = std::min(m_anchor.y(), m_current.y()), bottom = std::max(m_anchor.y(), m_current.y());
    // The pixel under the pointer is left out, except where the pointer can go no further:
    // a drag to the screen's last pixel takes the whole screen.
    const QPoint& rightEnd = m_anchor.x() > m_current.x() ? m_anchor : m_current;
    const QPoint& bottomEnd = m_anchor.y() > m_current.y() ? m_anchor : m_current;
    if (right > left && onScreen(rightEnd) && !onScreen(rightEnd + QPoint(1, 0)))
        ++right;
    if (bottom > top && onScreen(bottomEnd) && !onScreen(bottomEnd + QPoint(0, 1)))
        ++bottom;
    return cut(QRect(left, top, right - left, bottom - top));
}

QRect SelectionSession::cut(const QRect& rect) const {
    return m_bounds.isNull() ? rect : rect.intersected(m_bounds);
}

bool SelectionSession::onScreen(QPoint position) const {
    return std::any_of(m_screens.cbegin(), m_screens.cend(),
                       [position](const QRect& screen) { return screen.contains(position); });
}

const WindowList::Window* SelectionSession::windowAt(QPoint position) const {
    for (const WindowList::Window& window : m_windows) // topmost first
        if (window.frame.contains(position))
            return &window;
    return nullptr;
}

bool SelectionSession::pickedIsCovered() const {
    for (const WindowList::Window& window : m_windows) { // topmost first
        if (&window == m_picked)
            return false;
        if (window.frame.intersects(m_picked ? m_picked->frame : QRect()))
            return true;
    }
    return false;
}

void SelectionSession::press(QPoint position, Qt::MouseButton button) {
    if (m_done)
        return;
    if (button == Qt::RightButton) {
        cancel();
        return;
    }
    if (button != Qt::LeftButton)
        return;
    if (m_mode == Mode::window) {
        m_hovered = windowAt(position);
        m_pressed = m_hovered;
        Q_EMIT highlightChanged();
        return;
    }
    m_dragging = true;
    m_anchor = m_current = position;
    Q_EMIT highlightChanged();
}

void SelectionSession::move(QPoint position) {
    if (m_done)
        return;
    if (m_mode == Mode::window) {
        const WindowList::Window* hovered = windowAt(position);
        if (hovered != m_hovered) {
            m_hovered = hovered;
            Q_EMIT highlightChanged();
        }
        return;
    }
    if (m_dragging && position != m_current) {
        m_current = position;
        Q_EMIT highlightChanged();
    }
}

void SelectionSession::release(QPoint position, Qt::MouseButton button) {
    if (m_done || button != Qt::LeftButton)
        return;
    if (m_mode == Mode::window) {
        // A press on one window and a release on another picks neither.
        const WindowList::Window* window = windowAt(position);
        if (window && window == m_pressed) {
            m_picked = window;
            finish(highlight());
        }
        m_pressed = nullptr;
        return;
    }
    if (!m_dragging)
        return;
    m_current = position;
    const QRect rect = highlight();
    m_dragging = false;
    if (rect.width() < 1 || rect.height() < 1)
        cancel(); // a click without a drag
    else
        finish(rect);
}

void SelectionSession::cancel() {
    if (m_done)
        return;
    m_done = true;
    Q_EMIT cancelled();
}

void SelectionSession::finish(const QRect& rect) {
    if (rect.isEmpty())
        return;
    m_done = true;
    Q_EMIT selected(rect);
}

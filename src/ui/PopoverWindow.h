#pragma once

#include "ui/PopoverView.h"

#include <QRect>
#include <QWidget>
#include <functional>

// The window that opens under the tray icon: frameless, W x 260 (taller when its content
// needs it), closed by a click outside it or Esc.
class PopoverWindow : public QWidget {
    Q_OBJECT
public:
    struct Actions {
        std::function<void()> onOpenSettings;
        std::function<void()> onQuit;
        // The rest of the content; its settings and quit entries are the two above.
        PopoverView::Collaborators content = {};
        // Rounded translucent corners need a compositing manager; without one they would
        // show black, so the popover is square and opaque.
        std::function<bool()> compositingActive = {};
    };

    explicit PopoverWindow(Actions actions, QWidget* parent = nullptr);

    bool isShown() const { return isVisible(); }
    // Sized for the screen it opens on, under `trayIcon`, or at the top of the screen
    // holding the pointer when the icon's place is unknown.
    void showUnder(const QRect& trayIcon);
    void performClose();
    PopoverView* view() const { return m_view; }

Q_SIGNALS:
    void shownChanged(bool shown);
    // A press outside the popover, which closes it; the press reaches nothing else.
    void pressedOutside(const QPoint& globalPosition, Qt::MouseButton button);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void buildContent();

    Actions m_actions;
    PopoverView* m_view = nullptr;
    bool m_rounded = false;
};

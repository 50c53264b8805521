#pragma once

#include <QRect>
#include <QWidget>
#include <functional>

// The window that opens under the tray icon: frameless, W x 260, closed by a click
// outside it or Esc. Its content is built when it is first shown.
class PopoverWindow : public QWidget {
    Q_OBJECT
public:
    struct Actions {
        std::function<void()> onOpenSettings;
        std::function<void()> onQuit;
    };

    explicit PopoverWindow(Actions actions, QWidget* parent = nullptr);

    bool isShown() const { return isVisible(); }
    // Sized for the screen it opens on, under `trayIcon`, or at the top of the screen
    // holding the pointer when the icon's place is unknown.
    void showUnder(const QRect& trayIcon);
    void performClose();

Q_SIGNALS:
    void shownChanged(bool shown);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void buildContent();

    Actions m_actions;
    bool m_built = false;
};

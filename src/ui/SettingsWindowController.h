#pragma once

#include "ui/SettingsView.h"

#include <QObject>
#include <QPointer>
#include <functional>

class ActivationPolicy;

// Owns the one settings window while it is open; the application counts as a regular
// one while it is.
class SettingsWindowController : public QObject {
    Q_OBJECT
public:
    static constexpr int width = 480;
    static constexpr int height = 620;

    struct Collaborators {
        ActivationPolicy& activationPolicy;
        SettingsView::Collaborators view;
    };

    explicit SettingsWindowController(Collaborators collaborators, QObject* parent = nullptr);
    ~SettingsWindowController() override;

    // Brings the window forward, building it when there is none; `onHotkeysChanged` is
    // told after every shortcut change from now on.
    void show(std::function<void()> onHotkeysChanged);

    QWidget* window() const { return m_window; }
    SettingsView* view() const { return m_view; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void windowWillClose();

    Collaborators m_collaborators;
    std::function<void()> m_onChange;
    QPointer<QWidget> m_window;
    QPointer<SettingsView> m_view;
};

#pragma once

#include "core/hotkeys/HotkeyAction.h"
#include "core/hotkeys/HotkeyRefusal.h"
#include "core/library/Screenshot.h"
#include "core/library/ScreenshotKind.h"

#include <QHash>
#include <QImage>
#include <QObject>
#include <QSystemTrayIcon>
#include <functional>
#include <memory>
#include <optional>

class ActivationPolicy;
class Alerts;
class HistoryManager;
class HotkeyManager;
class HotkeyPreferences;
class PopoverWindow;
class QMenu;
class ScreenClearance;
class UpdaterController;
class Workspace;

// The application's frame: the tray icon with its popover and menu, the one entry every
// capture starts from, the global hot keys and the update controller.
class AppDelegate : public QObject {
    Q_OBJECT
public:
    struct Collaborators {
        HotkeyManager& hotkeys;
        HotkeyPreferences& preferences;
        ActivationPolicy& activationPolicy;
        Alerts& alerts;
        Workspace& workspace;
        QString appcastUrl;
        QString version;
        // Area, window and full-screen captures through the capture tool.
        std::function<void(ScreenshotKind)> captureWithTool;
        std::function<void()> captureScrolling;
        std::function<bool()> hasScreenRecordingPermission;
        std::function<void()> requestScreenRecordingAccess;
        // Shows the settings window; it calls back after every shortcut change.
        std::function<void(std::function<void()> onHotkeysChanged)> showSettings;
        std::function<bool()> systemTrayAvailable = [] {
            return QSystemTrayIcon::isSystemTrayAvailable();
        };
        std::function<void()> terminate;
        // Quits and starts a fresh instance (the permission banner and settings offer it).
        std::function<void()> quitAndRelaunch;
        // Watches the screen while the popover or the menu leaves it before a capture;
        // none: they just close.
        ScreenClearance* clearance = nullptr;
        // What the screen shows in a global rectangle (null when unreadable): the tray's
        // colour under the icon decides the icon's.
        std::function<QImage(const QRect&)> readScreen = {};
        // The library, read when first asked for: at launch, once the icon is up. The
        // popover shows it; without one the popover shows its header only.
        std::function<HistoryManager&()> library;
        std::function<void()> openScreenRecordingSettings;
        // Opens the annotation editor on a capture: every Edit of the history strip.
        std::function<void(const Screenshot&)> editScreenshot;
        std::function<bool()> compositingActive;
    };

    // Creates and starts the update controller.
    explicit AppDelegate(Collaborators collaborators, QObject* parent = nullptr);
    ~AppDelegate() override;

    void applicationDidFinishLaunching();
    void applicationWillTerminate();

    void togglePopover();
    void captureScreenshot(ScreenshotKind kind);
    void registerHotkeys();
    void openSettings();
    void quitAndRelaunch();
    // While suspended the hot keys are let go (the settings window records a new one);
    // resuming registers them all again.
    void setHotkeysSuspended(bool suspended);
    // Why the action's combination could not be registered at the last registration.
    std::optional<HotkeyRefusal> hotkeyRefusal(HotkeyAction action) const;
    // A new menu, in the order it is shown on a right click.
    QMenu* makeContextMenu();

    QSystemTrayIcon* statusItem() const { return m_statusItem.get(); }
    PopoverWindow* popover() const { return m_popover.get(); }
    UpdaterController& updaterController() const { return *m_updaterController; }

private:
    bool hasStatusButton() const;
    void setupStatusItem();
    void setupPopover();
    void primeScreenRecordingTCC();
    void handleStatusItemClick(QSystemTrayIcon::ActivationReason reason);
    void showContextMenu();
    void quit();
    void startCapture(ScreenshotKind kind);
    void tintStatusIcon();
    bool eventFilter(QObject* watched, QEvent* event) override;

    Collaborators m_collaborators;
    std::unique_ptr<QMenu> m_contextMenu; // outlives the icon that shows it
    std::unique_ptr<QSystemTrayIcon> m_statusItem;
    std::unique_ptr<PopoverWindow> m_popover;
    std::unique_ptr<UpdaterController> m_updaterController;
    int m_tintTries = 0;
    bool m_terminated = false;
    bool m_hotkeysSuspended = false;
    QHash<HotkeyAction, HotkeyRefusal> m_hotkeyRefusals;
};

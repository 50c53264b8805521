#include "app/AppDelegate.h"

#include "app/UpdaterController.h"
#include "core/ActivationPolicy.h"
#include "core/hotkeys/HotkeyManager.h"
#include "core/hotkeys/HotkeyPreferences.h"
#include "platform/Symbols.h"
#include "ui/PopoverWindow.h"

#include <QCoreApplication>
#include <QCursor>
#include <QMenu>
#include <QTimer>

namespace {
constexpr int primingDelayMs = 500;
}

AppDelegate::AppDelegate(Collaborators collaborators, QObject* parent)
    : QObject(parent)
    , m_collaborators(std::move(collaborators)) {
    m_updaterController = std::make_unique<UpdaterController>(UpdaterController::Collaborators{
        m_collaborators.alerts, m_collaborators.workspace, QUrl(m_collaborators.appcastUrl),
        m_collaborators.version});
    m_updaterController->startUpdater();
}

AppDelegate::~AppDelegate() {
    applicationWillTerminate();
}

void AppDelegate::applicationDidFinishLaunching() {
    m_collaborators.activationPolicy.setActivationPolicy(ActivationPolicy::Policy::accessory);
    setupStatusItem();
    setupPopover();
    registerHotkeys();
    primeScreenRecordingTCC();
}

void AppDelegate::applicationWillTerminate() {
    if (m_terminated)
        return;
    m_terminated = true;
    m_collaborators.hotkeys.unregisterAll();
}

void AppDelegate::setupStatusItem() {
    // Made even while no tray is running: the icon docks when a tray appears later, as it
    // does when the panel starts after Quillbox at login.
    m_statusItem = std::make_unique<QSystemTrayIcon>();
    m_statusItem->setIcon(symbols::icon(QStringLiteral("camera.viewfinder")));
    m_statusItem->setToolTip(QStringLiteral("Quillbox"));
    connect(m_statusItem.get(), &QSystemTrayIcon::activated, this,
            &AppDelegate::handleStatusItemClick);
    m_statusItem->show();
}

void AppDelegate::setupPopover() {
    m_popover = std::make_unique<PopoverWindow>(PopoverWindow::Actions{
        .onOpenSettings = [this] { openSettings(); },
        .onQuit = [this] { quit(); },
        .content =
            {
                .history = m_collaborators.history,
                .preferences = &m_collaborators.preferences,
                .workspace = &m_collaborators.workspace,
                .onCapture = [this](ScreenshotKind kind) { captureScreenshot(kind); },
                .hasScreenRecordingPermission = m_collaborators.hasScreenRecordingPermission,
                .openScreenRecordingSettings = m_collaborators.openScreenRecordingSettings,
                .quitAndRelaunch = m_collaborators.quitAndRelaunch,
                .onEdit = m_collaborators.editScreenshot,
            },
        .compositingActive = m_collaborators.compositingActive,
    });
    // The open popover takes the click that closes it, also one on the tray icon; a right
    // click there still opens the menu, once the popover has let go of the pointer.
    connect(m_popover.get(), &PopoverWindow::pressedOutside, this,
            [this](const QPoint& position, Qt::MouseButton button) {
                if (button == Qt::RightButton && m_statusItem &&
                    m_statusItem->geometry().contains(position))
                    QTimer::singleShot(0, this, [this] { showContextMenu(); });
            });
}

void AppDelegate::handleStatusItemClick(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
    case QSystemTrayIcon::Context:
        showContextMenu();
        break;
    case QSystemTrayIcon::Trigger:
    // Two quick clicks are two toggles; the tray reports the second as a double click.
    case QSystemTrayIcon::DoubleClick:
        togglePopover();
        break;
    case QSystemTrayIcon::MiddleClick:
    case QSystemTrayIcon::Unknown:
        break;
    }
}

bool AppDelegate::hasStatusButton() const {
    return m_statusItem && m_collaborators.systemTrayAvailable &&
           m_collaborators.systemTrayAvailable();
}

void AppDelegate::togglePopover() {
    // Without a tray there is no icon to click: no popover, no menu; hot keys still work.
    if (!hasStatusButton() || !m_popover)
        return;
    if (m_popover->isShown()) {
        m_popover->performClose();
        return;
    }
    m_popover->showUnder(m_statusItem->geometry());
}

QMenu* AppDelegate::makeContextMenu() {
    auto* menu = new QMenu;
    menu->addAction(QStringLiteral("Capture Area"), this,
                    [this] { captureScreenshot(ScreenshotKind::area); });
    menu->addAction(QStringLiteral("Capture Window"), this,
                    [this] { captureScreenshot(ScreenshotKind::window); });
    menu->addAction(QStringLiteral("Capture Full Screen"), this,
                    [this] { captureScreenshot(ScreenshotKind::fullScreen); });
    menu->addAction(QStringLiteral("Capture Scrolling Page"), this,
                    [this] { captureScreenshot(ScreenshotKind::scrolling); });
    menu->addSeparator();
    menu->addAction(QStringLiteral("Open History…"), this, [this] { togglePopover(); });
    menu->addAction(QStringLiteral("Settings…"), this, [this] { openSettings(); });
    menu->addSeparator();
    menu->addAction(QStringLiteral("Check for Updates…"), m_updaterController.get(),
                    &UpdaterController::checkForUpdates);
    menu->addSeparator();
    QAction* quitItem = menu->addAction(QStringLiteral("Quit Quillbox"), this, [this] { quit(); });
    quitItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    quitItem->setShortcutVisibleInContextMenu(true);
    return menu;
}

void AppDelegate::showContextMenu() {
    if (!hasStatusButton())
        return;
    QMenu* menu = makeContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    m_contextMenu = menu;
    const QRect icon = m_statusItem->geometry();
    menu->popup(icon.isValid() ? icon.bottomLeft() + QPoint(0, 1) : QCursor::pos());
}

void AppDelegate::captureScreenshot(ScreenshotKind kind) {
    if (m_popover)
        m_popover->performClose();
    // A hot key pressed while the menu is open: the menu holds the pointer and keyboard,
    // which the capture tool needs.
    if (m_contextMenu)
        m_contextMenu->close();
    switch (kind) {
    case ScreenshotKind::area:
    case ScreenshotKind::window:
    case ScreenshotKind::fullScreen:
        if (m_collaborators.captureWithTool)
            m_collaborators.captureWithTool(kind);
        break;
    case ScreenshotKind::scrolling:
        if (m_collaborators.captureScrolling)
            m_collaborators.captureScrolling();
        break;
    }
}

void AppDelegate::registerHotkeys() {
    HotkeyManager& hotkeys = m_collaborators.hotkeys;
    hotkeys.unregisterAll();
    const QPointer<AppDelegate> self(this);
    const auto capture = [self](ScreenshotKind kind) {
        return [self, kind] {
            if (self)
                self->captureScreenshot(kind);
        };
    };
    // A combination the system refuses leaves that action without a hot key, silently.
    for (HotkeyAction action : hotkey_action::allCases()) {
        const HotkeyCombo combo = m_collaborators.preferences.combo(action);
        switch (action) {
        case HotkeyAction::captureArea:
            hotkeys.registerCombo(combo, capture(ScreenshotKind::area));
            break;
        case HotkeyAction::captureWindow:
            hotkeys.registerCombo(combo, capture(ScreenshotKind::window));
            break;
        case HotkeyAction::captureFullScreen:
            hotkeys.registerCombo(combo, capture(ScreenshotKind::fullScreen));
            break;
        case HotkeyAction::captureScrolling:
            hotkeys.registerCombo(combo, capture(ScreenshotKind::scrolling));
            break;
        case HotkeyAction::togglePopover:
            hotkeys.registerCombo(combo, [self] {
                if (self)
                    self->togglePopover();
            });
            break;
        }
    }
}

void AppDelegate::openSettings() {
    if (m_popover)
        m_popover->performClose();
    if (!m_collaborators.showSettings)
        return;
    const QPointer<AppDelegate> self(this);
    m_collaborators.showSettings([self] {
        if (self)
            self->registerHotkeys();
    });
}

void AppDelegate::primeScreenRecordingTCC() {
    const bool allowed = !m_collaborators.hasScreenRecordingPermission ||
                         m_collaborators.hasScreenRecordingPermission();
    if (allowed || !m_collaborators.requestScreenRecordingAccess)
        return;
    QTimer::singleShot(primingDelayMs, this,
                       [this] { m_collaborators.requestScreenRecordingAccess(); });
}

void AppDelegate::quit() {
    if (m_collaborators.terminate)
        m_collaborators.terminate();
    else
        QCoreApplication::quit();
}

#include "app/AppDelegate.h"

#include "app/UpdaterController.h"
#include "core/ActivationPolicy.h"
#include "core/hotkeys/HotkeyManager.h"
#include "core/hotkeys/HotkeyPreferences.h"
#include "platform/KeyboardGrab.h"
#include "platform/Symbols.h"
#include "ui/PopoverWindow.h"
#include "ui/ScreenClearance.h"
#include "ui/TintedIcon.h"

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QPointer>
#include <QTimer>

namespace {
constexpr int primingDelayMs = 500;
// The tray embeds the icon some time after it is made; its colour is read once it has.
constexpr int tintRetryMs = 250;
constexpr int tintTries = 40;
} // namespace

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
    if (m_collaborators.library)
        m_collaborators.library();
    // The popover waits for its first showing: the icon and the hot keys come first.
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
    m_statusItem->setToolTip(QStringLiteral("Quillbox"));
    // A status-notifier tray shows the menu itself, read over D-Bus: it must be there
    // before the first right click.
    m_contextMenu.reset(makeContextMenu());
    m_statusItem->setContextMenu(m_contextMenu.get());
    connect(m_statusItem.get(), &QSystemTrayIcon::activated, this,
            &AppDelegate::handleStatusItemClick);
    tintStatusIcon();
    m_statusItem->show();
    qApp->installEventFilter(this);
}

void AppDelegate::tintStatusIcon() {
    // The symbolic glyph is dark: on a dark panel it vanishes. The panel's colour shows at
    // the corners of the icon's place, around the glyph; until that can be read, the
    // palette's window colour stands in for it.
    QColor panel = QGuiApplication::palette().color(QPalette::Window);
    const QRect place = m_statusItem->geometry();
    bool read = false;
    if (place.isValid() && m_collaborators.readScreen) {
        const QImage seen = m_collaborators.readScreen(place);
        if (!seen.isNull() && seen.width() > 1 && seen.height() > 1) {
            panel = seen.pixelColor(0, 0);
            read = true;
        }
    }
    m_statusItem->setIcon(tinted_icon::icon(symbols::icon(QStringLiteral("camera.viewfinder")),
                                            tinted_icon::glyphColor(panel, qApp->palette())));
    if (!read && m_collaborators.readScreen && ++m_tintTries < tintTries)
        QTimer::singleShot(tintRetryMs, this, [this] {
            if (m_statusItem)
                tintStatusIcon();
        });
}

bool AppDelegate::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ApplicationPaletteChange && watched == qApp && m_statusItem) {
        m_tintTries = 0;
        tintStatusIcon();
    }
    if (event->type() == QEvent::Show && m_contextMenu && watched == m_contextMenu.get())
        grabKeyboardWhileShown(m_contextMenu.get());
    // The menu holds the keyboard while it is open, and a menu without a window of its
    // own never matches its items' shortcuts: the Ctrl+Q it shows is handled here.
    if (event->type() == QEvent::KeyPress && m_contextMenu && watched == m_contextMenu.get()) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->keyCombination() == QKeyCombination(Qt::ControlModifier, Qt::Key_Q)) {
            m_contextMenu->close();
            QTimer::singleShot(0, this, [this] { quit(); });
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

void AppDelegate::setupPopover() {
    m_popover = std::make_unique<PopoverWindow>(PopoverWindow::Actions{
        .onOpenSettings = [this] { openSettings(); },
        .onQuit = [this] { quit(); },
        .content =
            {
                .history = m_collaborators.library ? &m_collaborators.library() : nullptr,
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
    if (!m_popover)
        setupPopover();
    if (m_popover->isShown()) {
        m_popover->performClose();
        return;
    }
    // Without a tray its hot key still opens it, at the top of the screen holding the
    // pointer: then it is the only way to the history, Settings and Quit.
    m_popover->showUnder(hasStatusButton() ? m_statusItem->geometry() : QRect());
}

QMenu* AppDelegate::makeContextMenu() {
    auto* menu = new QMenu;
    for (HotkeyAction action : hotkey_action::allCases()) {
        if (const auto kind = hotkey_action::captureKind(action))
            menu->addAction(hotkey_action::title(action), this,
                            [this, kind = *kind] { captureScreenshot(kind); });
    }
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
    // An embedded icon's menu has just been opened by Qt at the pointer; it goes under the
    // icon. A tray that gives no place asked for it at the pointer.
    const QRect icon = m_statusItem->geometry();
    m_contextMenu->popup(icon.isValid() ? icon.bottomLeft() + QPoint(0, 1) : QCursor::pos());
}

void AppDelegate::captureScreenshot(ScreenshotKind kind) {
    QWidget* covering = nullptr;
    if (m_popover && m_popover->isShown())
        covering = m_popover.get();
    else if (m_contextMenu && m_contextMenu->isVisible())
        covering = m_contextMenu.get();
    // A hot key pressed while the menu is open: the menu holds the pointer and keyboard,
    // which the capture tool needs.
    const auto close = [this] {
        if (m_popover)
            m_popover->performClose();
        if (m_contextMenu)
            m_contextMenu->close();
    };
    const QPointer<AppDelegate> self(this);
    const auto start = [self, kind] {
        if (self)
            self->startCapture(kind);
    };
    // Neither may show in the capture, nor the hole it leaves until the windows below
    // have repainted.
    if (!m_collaborators.clearance) {
        close();
        start();
    } else if (covering) {
        m_collaborators.clearance->hideThen(covering->frameGeometry(), close, start);
    } else {
        close();
        m_collaborators.clearance->whenClear(start);
    }
}

void AppDelegate::startCapture(ScreenshotKind kind) {
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
    if (m_hotkeysSuspended)
        return;
    m_hotkeyRefusals.clear();
    QList<HotkeyCombo> held;
    const QPointer<AppDelegate> self(this);
    // A combination the system refuses leaves that action without a hot key; the settings
    // window says why.
    for (HotkeyAction action : hotkey_action::allCases()) {
        const HotkeyCombo combo = m_collaborators.preferences.combo(action);
        HotkeyManager::Handler handler = [self, kind = hotkey_action::captureKind(action)] {
            if (!self)
                return;
            if (kind)
                self->captureScreenshot(*kind);
            else
                self->togglePopover();
        };
        if (hotkeys.registerCombo(combo, std::move(handler)))
            held.append(combo);
        else
            m_hotkeyRefusals.insert(action, hotkey_refusal::reasonFor(combo, held));
    }
}

void AppDelegate::setHotkeysSuspended(bool suspended) {
    if (suspended == m_hotkeysSuspended)
        return;
    m_hotkeysSuspended = suspended;
    if (suspended)
        m_collaborators.hotkeys.unregisterAll();
    else if (!m_terminated)
        registerHotkeys();
}

std::optional<HotkeyRefusal> AppDelegate::hotkeyRefusal(HotkeyAction action) const {
    const auto found = m_hotkeyRefusals.constFind(action);
    if (found == m_hotkeyRefusals.cend())
        return std::nullopt;
    return *found;
}

void AppDelegate::quitAndRelaunch() {
    if (m_collaborators.quitAndRelaunch)
        m_collaborators.quitAndRelaunch();
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

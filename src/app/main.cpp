#include "app/AppDelegate.h"
#include "app/AppLifecycle.h"
#include "app/OnFirstUse.h"
#include "app/ScrollingCaptureServices.h"
#include "app/SentryBootstrap.h"
#include "app/TerminationSignals.h"
#include "capture/ScreenshotManager.h"
#include "core/ActivationPolicy.h"
#include "core/hotkeys/HotkeyManager.h"
#include "core/hotkeys/HotkeyPreferences.h"
#include "core/library/HistoryManager.h"
#include "editor/AnnotationEditorController.h"
#include "platform/AlertsQMessageBox.h"
#include "platform/CaptureBoundsScreens.h"
#include "platform/LaunchAtLogin.h"
#include "platform/PasteboardQt.h"
#include "platform/SystemLogSyslog.h"
#include "platform/UserDefaultsQSettings.h"
#include "platform/x11/CompositingX11.h"
#include "platform/x11/GlobalHotkeysX11.h"
#include "platform/x11/KeyboardLayoutX11.h"
#include "platform/x11/RegionGrabberX11.h"
#include "platform/x11/ScreenRecordingPermissionX11.h"
#include "platform/x11/SingleInstanceX11.h"
#include "platform/x11/SoundPlayerCanberra.h"
#include "platform/x11/WorkspaceFreedesktop.h"
#include "platform/x11/XcbConnection.h"
#include "ui/ScreenClearance.h"
#include "ui/SettingsWindowController.h"
#include "ui/ThumbnailPreviewController.h"

#include <QApplication>
#include <QScreen>
#include <QStandardPaths>
#include <QTimer>
#include <cstdio>
#include <memory>
#include <optional>

namespace {

// Long enough for an instance that relaunches this one to finish quitting.
constexpr int instanceWaitMs = 3000;

bool x11SessionUsable() {
    // Whatever platform the desktop asks Qt programs to prefer (a Wayland session often
    // says "wayland;xcb"), Quillbox talks to the X server.
    qputenv("QT_QPA_PLATFORM", "xcb");
    return !qEnvironmentVariableIsEmpty("DISPLAY") && x11DisplayAvailable();
}

int run(int argc, char** argv) {
    // Global hot keys and screen grabs need an X server.
    if (!x11SessionUsable()) {
        std::fputs("Quillbox needs an X11 display: DISPLAY is not set or no X server answers "
                   "there.\n",
                   stderr);
        return 1;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillbox"));
    QApplication::setOrganizationName(QStringLiteral("Quillbox"));
    QApplication::setApplicationVersion(QStringLiteral(QUILLBOX_VERSION));
    QApplication::setQuitOnLastWindowClosed(false);
    // Every file the library holds can be read, and nothing larger than a capture is.
    capture_bounds_screens::follow();
    SingleInstanceX11 instance;
    if (!instance.claim(instanceWaitMs)) {
        std::fputs("Quillbox is already running on this display.\n", stderr);
        return 1;
    }

    UserDefaultsQSettings defaults;
    WorkspaceFreedesktop workspace;
    PasteboardQt pasteboard;
    SystemLogSyslog log;
    AlertsQMessageBox alerts;

    // Told in an alert once the loop runs: the library reports from its start, before
    // anything is on screen.
    auto reportProblem = [&alerts](const QString& message, const QString& details) {
        QTimer::singleShot(0, qApp, [&alerts, message, details] {
            alerts.run({message, details, {QStringLiteral("OK")}});
        });
    };
    // What the tray icon and the hot keys do not need is built at its first use; the
    // library is read as the delegate's launch asks for it, once the icon is up.
    OnFirstUse<HistoryManager> history([&] {
        return std::make_unique<HistoryManager>(HistoryManager::Collaborators{
            defaults, workspace, pasteboard, log,
            QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation),
            [] { return QDateTime::currentDateTime(); }, reportProblem});
    });
    ScreenRecordingPermissionX11 permission;
    SoundPlayerCanberra sound([] { QApplication::beep(); });
    ActivationPolicy activationPolicy;
    OnFirstUse<AnnotationEditorController> editors([&] {
        return std::make_unique<AnnotationEditorController>(
            AnnotationEditorController::Collaborators{
                history.get(), activationPolicy, sound, pasteboard, []() -> std::optional<QRectF> {
                    const QScreen* screen = QGuiApplication::primaryScreen();
                    if (!screen)
                        return std::nullopt;
                    return QRectF(screen->availableGeometry());
                }});
    });
    const auto edit = [&editors](const Screenshot& screenshot) { editors.get().open(screenshot); };
    RegionGrabberX11 screenReader;
    const ScreenClearance::Grab readScreen = [&screenReader](const QRect& area) {
        return screenReader.grab(QRectF(area));
    };
    ScreenClearance clearance(readScreen);
    OnFirstUse<ThumbnailPreviewController> thumbnail([&] {
        return std::make_unique<ThumbnailPreviewController>(
            ThumbnailPreviewController::Collaborators{
                .library = history.get(), .edit = edit, .clearance = &clearance});
    });
    OnFirstUse<ScreenshotManager> screenshots([&] {
        return std::make_unique<ScreenshotManager>(ScreenshotManager::Collaborators{
            history.get(), permission, sound, alerts, workspace,
            ScreenshotManager::defaultCaptureToolURL(),
            [&thumbnail](std::function<void()> then) { thumbnail.get().hideThen(std::move(then)); },
            [&thumbnail](const Screenshot& screenshot) { thumbnail.get().show(screenshot); }});
    });
    // A desktop with a page for the permission gets buttons that open it; an X11 server
    // either shows its screen or it does not.
    std::function<void()> openScreenRecordingSettings;
    if (permission.settingsUrl().isValid())
        openScreenRecordingSettings = [&screenshots] {
            screenshots.get().openScreenRecordingSettings();
        };
    HotkeyPreferences preferences(defaults);
    GlobalHotkeysX11 systemHotkeys(&log);
    HotkeyManager hotkeys(systemHotkeys);
    OnFirstUse<ScrollingCaptureServices> scrolling([&] {
        return std::make_unique<ScrollingCaptureServices>(ScrollingCaptureServices::Needs{
            history.get(), sound, alerts, screenshots.get(), thumbnail.get()});
    });
    AppLifecycle lifecycle({
        .hotkeys = hotkeys,
        .log = log,
        .executable = QCoreApplication::applicationFilePath(),
        .terminate = [] { QCoreApplication::quit(); },
    });
    LaunchAtLogin launchAtLogin(
        log,
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
            QStringLiteral("/autostart"),
        QCoreApplication::applicationFilePath());
    KeyboardLayoutX11 keyboard;
    // The delegate opens the settings window, whose shortcut rows ask the delegate about
    // the hot keys: the window is built at the first Settings, once the delegate is.
    std::optional<AppDelegate> delegate;
    OnFirstUse<SettingsWindowController> settings([&] {
        return std::make_unique<SettingsWindowController>(SettingsWindowController::Collaborators{
            .activationPolicy = activationPolicy,
            .view = {
                .library = history.get(),
                .preferences = preferences,
                .launchAtLogin = launchAtLogin,
                .alerts = alerts,
                .workspace = workspace,
                .keyboard = keyboard,
                .version = QStringLiteral(QUILLBOX_VERSION),
                .hasScreenRecordingPermission =
                    [&screenshots] { return screenshots.get().hasScreenRecordingPermission(); },
                .openScreenRecordingSettings = openScreenRecordingSettings,
                .hasAccessibilityPermission =
                    [] { return ScrollingCaptureServices::inputAvailable(); },
                // An X server offers input posting or it does not: there is no page to open.
                .openAccessibilitySettings = {},
                .quitAndRelaunch = [&lifecycle] { lifecycle.quitAndRelaunch(); },
                .chooseFolder = {},
                .setHotkeysSuspended =
                    [&delegate](bool suspended) { delegate->setHotkeysSuspended(suspended); },
                .hotkeyRefusal =
                    [&delegate](HotkeyAction action) { return delegate->hotkeyRefusal(action); },
            },
        });
    });
    delegate.emplace(AppDelegate::Collaborators{
        .hotkeys = hotkeys,
        .preferences = preferences,
        .activationPolicy = activationPolicy,
        .alerts = alerts,
        .workspace = workspace,
        .appcastUrl = QStringLiteral(QUILLBOX_APPCAST_URL),
        .version = QStringLiteral(QUILLBOX_VERSION),
        .captureWithTool = [&screenshots](ScreenshotKind kind) { screenshots.get().capture(kind); },
        .captureScrolling = [&scrolling] { scrolling.get().manager().capture(); },
        .hasScreenRecordingPermission =
            [&screenshots] { return screenshots.get().hasScreenRecordingPermission(); },
        // Only so the desktop lists Quillbox among those reading the screen; the answers
        // are not used.
        .requestScreenRecordingAccess =
            [&permission] {
                permission.touchScreen();
                permission.request();
                permission.probeShareableContent();
            },
        .showSettings =
            [&settings](std::function<void()> onHotkeysChanged) {
                settings.get().show(std::move(onHotkeysChanged));
            },
        .terminate = [] { QCoreApplication::quit(); },
        .quitAndRelaunch = [&lifecycle] { lifecycle.quitAndRelaunch(); },
        .clearance = &clearance,
        .readScreen = readScreen,
        .library = [&history]() -> HistoryManager& { return history.get(); },
        .openScreenRecordingSettings = openScreenRecordingSettings,
        .editScreenshot = edit,
        .compositingActive = [] { return x11CompositingManagerRunning().value_or(false); },
    });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &*delegate,
                     &AppDelegate::applicationWillTerminate);
    TerminationSignals signals;
    QObject::connect(&signals, &TerminationSignals::terminationRequested, &app,
                     [] { QCoreApplication::quit(); });

    delegate->applicationDidFinishLaunching();
    if (qgetenv("QUILLBOX_READY_MARKER") == "1") {
        std::fputs("quillbox: ready\n", stderr);
        std::fflush(stderr);
    }
    return app.exec();
}

} // namespace

int main(int argc, char** argv) {
    SentryBootstrap::start();
    const int status = run(argc, argv);
    SentryBootstrap::close();
    return status;
}

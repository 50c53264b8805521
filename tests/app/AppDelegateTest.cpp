#include "app/AppDelegate.h"
#include "LibraryFixture.h"
#include "app/UpdaterController.h"
#include "core/ActivationPolicy.h"
#include "core/hotkeys/HotkeyManager.h"
#include "core/hotkeys/HotkeyPreferences.h"
#include "fakes/AlertsFake.h"
#include "fakes/GlobalHotkeysFake.h"
#include "ui/PopoverWindow.h"

#include <QCoreApplication>
#include <QMenu>
#include <QTest>
#include <gtest/gtest.h>

namespace {

constexpr auto defaultOf = &HotkeyPreferences::defaultCombo;

class AppDelegateTest : public ::testing::Test {
protected:
    LibraryFixture library;
    HotkeyPreferences preferences{library.defaults};
    GlobalHotkeysFake system;
    HotkeyManager hotkeys{system};
    ActivationPolicy policy;
    AlertsFake alerts;

    QList<ScreenshotKind> captured;
    int scrollingCaptures = 0;
    int settingsShown = 0;
    int quitRequests = 0;
    int accessRequests = 0;
    bool trayAvailable = false;
    bool permission = true;
    int libraryReads = 0;
    bool hotkeysHeldAtFirstRead = false;

    std::unique_ptr<AppDelegate> makeDelegate() {
        return std::make_unique<AppDelegate>(AppDelegate::Collaborators{
            .hotkeys = hotkeys,
            .preferences = preferences,
            .activationPolicy = policy,
            .alerts = alerts,
            .workspace = library.workspace,
            .version = QStringLiteral("0.1.0"),
            .captureWithTool = [this](ScreenshotKind kind) { captured.append(kind); },
            .captureScrolling = [this] { ++scrollingCaptures; },
            .hasScreenRecordingPermission = [this] { return permission; },
            .requestScreenRecordingAccess = [this] { ++accessRequests; },
            .showSettings = [this](std::function<void()>) { ++settingsShown; },
            .systemTrayAvailable = [this] { return trayAvailable; },
            .terminate = [this] { ++quitRequests; },
            .library = [this]() -> HistoryManager& {
                if (libraryReads++ == 0)
                    hotkeysHeldAtFirstRead = !system.held.isEmpty();
                return library.library();
            },
        });
    }

    std::unique_ptr<AppDelegate> launch() {
        auto delegate = makeDelegate();
        delegate->applicationDidFinishLaunching();
        return delegate;
    }

    void press(HotkeyAction action) {
        ASSERT_TRUE(system.press(preferences.combo(action)));
        QCoreApplication::processEvents();
    }
};

} // namespace

TEST_F(AppDelegateTest, launch_goesAccessoryHoldsTheHotKeysAndAsksForMissingScreenAccessLater) {
    permission = false;
    auto delegate = makeDelegate();
    EXPECT_TRUE(delegate->updaterController().isStarted());
    EXPECT_EQ(libraryReads, 0);
    delegate->applicationDidFinishLaunching();
    EXPECT_EQ(policy.activationPolicy(), ActivationPolicy::Policy::accessory);
    // Read at launch, before the hot keys can ask for a capture.
    EXPECT_EQ(libraryReads, 1);
    EXPECT_FALSE(hotkeysHeldAtFirstRead);
    ASSERT_EQ(system.held.size(), 5);
    const auto& actions = hotkey_action::allCases();
    for (int i = 0; i < actions.size(); ++i)
        EXPECT_EQ(system.held.value(quint32(i + 1)), defaultOf(actions[i]));
    // Screen access is asked for half a second after launch.
    EXPECT_EQ(accessRequests, 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return accessRequests == 1; }, 3000));
    delegate->applicationWillTerminate();
    EXPECT_TRUE(system.held.isEmpty());
    EXPECT_FALSE(system.press(defaultOf(HotkeyAction::captureArea)));
}

TEST_F(AppDelegateTest, hotKeys_routeEveryCaptureAndStillWorkWithoutATray) {
    auto delegate = launch();
    press(HotkeyAction::captureArea);
    press(HotkeyAction::captureWindow);
    press(HotkeyAction::captureFullScreen);
    press(HotkeyAction::captureScrolling);
    EXPECT_EQ(captured, (QList<ScreenshotKind>{ScreenshotKind::area, ScreenshotKind::window,
                                               ScreenshotKind::fullScreen}));
    EXPECT_EQ(scrollingCaptures, 1);
    EXPECT_EQ(delegate->popover(), nullptr); // built at its first showing
    // No tray: the popover opens at the top of the screen, centred.
    press(HotkeyAction::togglePopover);
    PopoverWindow* popover = delegate->popover();
    ASSERT_TRUE(popover->isShown());
    const QRect screen = popover->screen()->availableGeometry();
    EXPECT_EQ(popover->geometry().top(), screen.top());
    EXPECT_EQ(popover->geometry().center().x(), screen.center().x());
    press(HotkeyAction::togglePopover);
    EXPECT_FALSE(popover->isShown());
}

TEST_F(AppDelegateTest, refusedCombinationIsSkippedAndTheReasonKeptForTheSettingsWindow) {
    // Window stored with the area's combination: the system refuses the second holder.
    preferences.setCombo(defaultOf(HotkeyAction::captureArea), HotkeyAction::captureWindow);
    auto delegate = launch();
    EXPECT_EQ(system.held.value(1), defaultOf(HotkeyAction::captureArea));
    EXPECT_FALSE(system.held.contains(2));
    EXPECT_EQ(system.held.value(3), defaultOf(HotkeyAction::captureFullScreen));
    // The settings window learns why: held by another of its own shortcuts or by another
    // program, a key it cannot name, or no modifier to keep it from taking the key from
    // every program.
    EXPECT_EQ(delegate->hotkeyRefusal(HotkeyAction::captureWindow), HotkeyRefusal::usedByQuillbox);
    EXPECT_EQ(delegate->hotkeyRefusal(HotkeyAction::captureArea), std::nullopt);
    system.refused.insert(defaultOf(HotkeyAction::captureFullScreen));
    const HotkeyCombo unknown{0x7777, HotkeyCombo::control | HotkeyCombo::option};
    preferences.setCombo(unknown, HotkeyAction::togglePopover);
    system.refused.insert(unknown);
    delegate->registerHotkeys();
    EXPECT_EQ(delegate->hotkeyRefusal(HotkeyAction::captureFullScreen), HotkeyRefusal::inUse);
    EXPECT_EQ(delegate->hotkeyRefusal(HotkeyAction::togglePopover), HotkeyRefusal::unknownKey);
    const HotkeyCombo shiftOnly{1, HotkeyCombo::shift};
    preferences.setCombo(shiftOnly, HotkeyAction::captureScrolling);
    system.refused.insert(shiftOnly);
    delegate->registerHotkeys();
    EXPECT_EQ(delegate->hotkeyRefusal(HotkeyAction::captureScrolling),
              HotkeyRefusal::needsModifier);
}

TEST_F(AppDelegateTest, contextMenu_readsInOrderAndEachItemReachesItsAction) {
    auto delegate = launch();
    std::unique_ptr<QMenu> menu(delegate->makeContextMenu());
    QStringList read;
    for (QAction* action : menu->actions())
        read.append(action->isSeparator() ? QStringLiteral("-") : action->text());
    EXPECT_EQ(
        read.join(u','),
        QStringLiteral("Capture Area,Capture Window,Capture Full Screen,Capture Scrolling "
                       "Page,-,Open History…,Settings…,-,Check for Updates…,-,Quit Quillbox"));
    // Only Quit has a shortcut, and the menu shows it.
    QAction* quit = menu->actions().last();
    EXPECT_EQ(quit->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
    EXPECT_TRUE(quit->isShortcutVisibleInContextMenu());
    for (QAction* action : menu->actions())
        EXPECT_TRUE(action == quit || action->shortcut().isEmpty());

    const auto actions = menu->actions();
    for (int i : {0, 1, 2, 3, 6, 8, 10})
        actions[i]->trigger();
    EXPECT_EQ(captured, (QList<ScreenshotKind>{ScreenshotKind::area, ScreenshotKind::window,
                                               ScreenshotKind::fullScreen}));
    EXPECT_EQ(scrollingCaptures, 1);
    EXPECT_EQ(settingsShown, 1);
    EXPECT_EQ(quitRequests, 1);
    EXPECT_EQ(alerts.shown.size(), 1); // no update feed configured: said so
}

TEST_F(AppDelegateTest, popover_anyCaptureOrSettingsClosesItFirst) {
    trayAvailable = true;
    auto delegate = launch();
    ASSERT_NE(delegate->statusItem(), nullptr);
    delegate->togglePopover();
    PopoverWindow* popover = delegate->popover();
    ASSERT_TRUE(popover && popover->isShown());
    delegate->captureScreenshot(ScreenshotKind::window);
    EXPECT_FALSE(popover->isShown());
    EXPECT_EQ(captured, QList<ScreenshotKind>{ScreenshotKind::window});

    delegate->togglePopover();
    delegate->openSettings();
    EXPECT_FALSE(popover->isShown());
    EXPECT_EQ(settingsShown, 1);
}

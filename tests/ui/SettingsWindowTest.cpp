#include "LibraryFixture.h"
#include "core/ActivationPolicy.h"
#include "core/hotkeys/HotkeyPreferences.h"
#include "fakes/AlertsFake.h"
#include "fakes/KeyboardLayoutFake.h"
#include "platform/LaunchAtLogin.h"
#include "ui/HotkeyRow.h"
#include "ui/SettingsWindowController.h"
#include "ui/ShortcutChip.h"

#include <QAbstractButton>
#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using enum HotkeyAction;

constexpr quint32 ctrlAltSuper = 0x1900;

class SettingsWindowTest : public ::testing::Test {
protected:
    LibraryFixture f;
    HotkeyPreferences preferences{f.defaults};
    QTemporaryDir config;
    LaunchAtLogin login{f.log, config.path() + QStringLiteral("/autostart"),
                        QStringLiteral("/opt/quillbox/quillbox")};
    AlertsFake alerts;
    KeyboardLayoutFake keyboard;
    ActivationPolicy policy;
    bool permission = true;
    int relaunches = 0;
    QList<bool> suspensions;
    std::optional<QString> chosenFolder;
    QHash<HotkeyAction, std::optional<HotkeyRefusal>> refusals;
    int changes = 0;
    int pagesOpened = 0;

    SettingsWindowController controller{
        {policy,
         {
             .library = f.library(),
             .preferences = preferences,
             .launchAtLogin = login,
             .alerts = alerts,
             .workspace = f.workspace,
             .keyboard = keyboard,
             .version = QStringLiteral("0.1.0"),
             .hasScreenRecordingPermission = [this] { return permission; },
             // A desktop with a page for screen reading; none for input posting.
             .openScreenRecordingSettings = [this] { ++pagesOpened; },
             .quitAndRelaunch = [this] { ++relaunches; },
             .chooseFolder = [this](const QString&) { return chosenFolder; },
             .setHotkeysSuspended = [this](bool suspended) { suspensions.append(suspended); },
             .hotkeyRefusal = [this](HotkeyAction action) { return refusals.value(action); },
         }}};

    void open() {
        controller.show([this] { ++changes; });
    }
    template <typename T = QAbstractButton> T* find(const QString& name) {
        return controller.window()->findChild<T*>(name);
    }
    ShortcutChip* chip(HotkeyAction action) { return controller.view()->row(action)->chip(); }
    void key(HotkeyAction action, Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
        QTest::keyClick(chip(action), key, modifiers);
    }
};

TEST_F(SettingsWindowTest, twoOpens_oneWindowAndTheSecondCallback_closingRecordsAccessory) {
    open();
    QWidget* first = controller.window();
    EXPECT_EQ(policy.activationPolicy(), ActivationPolicy::Policy::regular);
    int secondCalls = 0;
    controller.show([&secondCalls] { ++secondCalls; });
    EXPECT_EQ(controller.window(), first);
    controller.view()->resetShortcuts();
    EXPECT_EQ(secondCalls, 1);
    EXPECT_EQ(changes, 0);

    const QPointer<QWidget> closed = first;
    first->close();
    EXPECT_EQ(controller.window(), nullptr);
    EXPECT_EQ(policy.activationPolicy(), ActivationPolicy::Policy::accessory);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(closed.isNull());
    open();
    EXPECT_NE(controller.window(), nullptr);
}

TEST_F(SettingsWindowTest, recorder_keepsRecordingUntilAModifiedKeyThenStoresIt) {
    open();
    QTest::mouseClick(chip(captureArea), Qt::LeftButton);
    EXPECT_TRUE(chip(captureArea)->isRecording());
    EXPECT_EQ(suspensions, QList<bool>{true}) << "hot keys let go while recording";

    key(captureArea, Qt::Key_A);
    key(captureArea, Qt::Key_Escape);
    key(captureArea, Qt::Key_Control, Qt::ControlModifier);
    key(captureArea, Qt::Key_Shift, Qt::ShiftModifier);
    EXPECT_TRUE(chip(captureArea)->isRecording());
    EXPECT_EQ(changes, 0);

    key(captureArea, Qt::Key_S, Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    EXPECT_FALSE(chip(captureArea)->isRecording());
    EXPECT_EQ(preferences.combo(captureArea), (HotkeyCombo{1, ctrlAltSuper}));
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(suspensions, (QList<bool>{true, false}));
    EXPECT_EQ(chip(captureArea)->accessibleName(), QStringLiteral("Ctrl+Alt+Super+S"));

    // Shift alone counts as a modifier.
    QTest::mouseClick(chip(captureScrolling), Qt::LeftButton);
    key(captureScrolling, Qt::Key_A, Qt::ShiftModifier);
    EXPECT_EQ(preferences.combo(captureScrolling), (HotkeyCombo{0, HotkeyCombo::shift}));
}

TEST_F(SettingsWindowTest, recorder_secondClickLeavingTheWindowOrClosingEndsWithoutAChange) {
    open();
    QApplication::setActiveWindow(controller.window());
    QTest::mouseClick(chip(captureArea), Qt::LeftButton);
    QWidget elsewhere;
    elsewhere.show();
    QApplication::setActiveWindow(&elsewhere);
    EXPECT_FALSE(chip(captureArea)->isRecording());
    EXPECT_EQ(suspensions, (QList<bool>{true, false}));
    suspensions.clear();
    QApplication::setActiveWindow(controller.window());

    QTest::mouseClick(chip(captureArea), Qt::LeftButton);
    QTest::mouseClick(chip(captureWindow), Qt::LeftButton);
    QTest::mouseClick(chip(captureArea), Qt::LeftButton);
    EXPECT_FALSE(chip(captureArea)->isRecording());
    EXPECT_TRUE(chip(captureWindow)->isRecording());
    EXPECT_EQ(suspensions, QList<bool>{true}) << "still suspended while one row records";

    controller.window()->close();
    EXPECT_EQ(suspensions, (QList<bool>{true, false}));
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(preferences.combo(captureWindow), HotkeyPreferences::defaultCombo(captureWindow));
    // The closed window's recorder no longer takes key presses.
    QWidget other;
    QTest::keyClick(&other, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(changes, 0);
}

// A combination that could not be registered is shown marked with the reason; Reset
// Shortcuts shows the defaults, re-registers, and the marks follow what it found.
TEST_F(SettingsWindowTest, refusedCombinationsAreMarkedUntilResetShortcutsRegistersTheDefaults) {
    preferences.setCombo({2, ctrlAltSuper}, captureArea);
    preferences.setCombo({2, ctrlAltSuper}, captureFullScreen);
    preferences.setCombo({0x7777, ctrlAltSuper}, captureScrolling);
    refusals.insert(captureWindow, HotkeyRefusal::inUse);
    refusals.insert(captureFullScreen, HotkeyRefusal::usedByQuillbox);
    refusals.insert(captureScrolling, HotkeyRefusal::unknownKey);
    refusals.insert(togglePopover, HotkeyRefusal::needsModifier);
    open();
    EXPECT_EQ(chip(captureArea)->accessibleName(), QStringLiteral("Ctrl+Alt+Super+D"));
    EXPECT_FALSE(chip(captureArea)->isBroken());
    EXPECT_TRUE(chip(captureWindow)->isBroken());
    EXPECT_EQ(chip(captureWindow)->toolTip(), QStringLiteral("Another program uses this shortcut"));
    EXPECT_EQ(chip(captureFullScreen)->toolTip(),
              QStringLiteral("\u201cCapture Area\u201d uses this shortcut"));
    EXPECT_EQ(chip(captureScrolling)->toolTip(),
              QStringLiteral("Quillbox cannot find this key on the keyboard: choose another"));
    EXPECT_EQ(chip(togglePopover)->toolTip(),
              QStringLiteral("Add Ctrl, Alt or Super: this would take the key from every program"));

    refusals.clear();
    QTest::mouseClick(find(QStringLiteral("resetShortcuts")), Qt::LeftButton);
    EXPECT_EQ(chip(captureArea)->accessibleName(), QStringLiteral("Ctrl+Alt+Super+A"));
    EXPECT_EQ(preferences.combo(captureArea), HotkeyPreferences::defaultCombo(captureArea));
    EXPECT_EQ(changes, 1);
    EXPECT_FALSE(chip(captureWindow)->isBroken());
    EXPECT_TRUE(chip(captureWindow)->toolTip().isEmpty());
}

TEST_F(SettingsWindowTest, storage_movesWithTheFilesAndAlertsOnlyWhenThereIsSomethingToSay) {
    f.capture();
    open();
    auto* reset = find(QStringLiteral("resetToDefault"));
    EXPECT_TRUE(reset->isHidden());

    chosenFolder = f.library().storageDirectory(); // the folder in use: nothing to say
    QTest::mouseClick(find(QStringLiteral("chooseFolder")), Qt::LeftButton);
    EXPECT_TRUE(alerts.shown.isEmpty());

    QTemporaryDir target;
    chosenFolder = target.path() + QStringLiteral("/shots");
    QTest::mouseClick(find(QStringLiteral("chooseFolder")), Qt::LeftButton);
    ASSERT_EQ(alerts.shown.size(), 1);
    EXPECT_EQ(alerts.shown[0].messageText, QStringLiteral("Folder Changed"));
    EXPECT_EQ(alerts.shown[0].informativeText,
              QStringLiteral("Moved 1 screenshot to the new folder."));
    // Good news, in the settings window.
    EXPECT_EQ(alerts.shown[0].kind, Alerts::Alert::Kind::information);
    EXPECT_EQ(alerts.shown[0].window, controller.view());
    EXPECT_FALSE(reset->isHidden());
    EXPECT_EQ(find<QLabel>(QStringLiteral("storagePath"))->toolTip(), *chosenFolder);

    chosenFolder.reset(); // cancelled
    QTest::mouseClick(find(QStringLiteral("chooseFolder")), Qt::LeftButton);
    EXPECT_EQ(alerts.shown.size(), 1);

    QTest::mouseClick(find(QStringLiteral("reveal")), Qt::LeftButton);
    EXPECT_EQ(f.workspace.opened, QStringList{target.path() + QStringLiteral("/shots")});

    QTest::mouseClick(reset, Qt::LeftButton);
    EXPECT_TRUE(f.library().isUsingDefaultStorageDirectory());
    EXPECT_TRUE(reset->isHidden());
    EXPECT_EQ(alerts.shown.size(), 2);
}

TEST(SettingsView, storageChangeAlert_messages) {
    const auto message = [](int moved, int failed) {
        return SettingsView::storageChangeAlert({true, moved, failed, std::nullopt})
            .value()
            .informativeText;
    };
    EXPECT_EQ(message(3, 2),
              QStringLiteral("Moved 3 screenshots to the new folder. 2 couldn't be moved."));
    EXPECT_EQ(message(0, 1),
              QStringLiteral("Moved 0 screenshots to the new folder. 1 couldn't be moved."));
    EXPECT_FALSE(SettingsView::storageChangeAlert({true, 0, 0, std::nullopt}));
    const auto refused = SettingsView::storageChangeAlert({false, 0, 0, std::nullopt});
    EXPECT_EQ(refused->messageText, QStringLiteral("Couldn't Change Folder"));
    EXPECT_EQ(refused->informativeText, QStringLiteral("Unknown error."));
}

TEST(SettingsView, prettyPath_shortensOnlyWhatLiesInsideTheHomeFolder) {
    const auto pretty = [](const char* path) {
        return SettingsView::prettyPath(QString::fromLatin1(path), QStringLiteral("/home/user"));
    };
    EXPECT_EQ(pretty("/home/user/Pictures"), QStringLiteral("~/Pictures"));
    EXPECT_EQ(pretty("/home/user"), QStringLiteral("~"));
    EXPECT_EQ(pretty("/media/Data/Shots"), QStringLiteral("/media/Data/Shots"));
    EXPECT_EQ(pretty("/home/username/Shots"), QStringLiteral("/home/username/Shots"));
}

TEST_F(SettingsWindowTest, permissionsAndLoginSwitch_followTheirServices) {
    permission = false;
    open();
    auto* relaunch = find(QStringLiteral("quitAndRelaunch"));
    EXPECT_FALSE(relaunch->isHidden());
    QTest::mouseClick(relaunch, Qt::LeftButton);
    EXPECT_EQ(relaunches, 1);
    QTest::mouseClick(find(QStringLiteral("screenRecording.openSettings")), Qt::LeftButton);
    EXPECT_EQ(pagesOpened, 1);
    // No page, no button: a button that opens nothing is not offered.
    EXPECT_EQ(find(QStringLiteral("accessibility.openSettings")), nullptr);
    EXPECT_EQ(find<QLabel>(QStringLiteral("version"))->text(), QStringLiteral("Quillbox v0.1.0"));

    auto* toggle = find(QStringLiteral("launchAtLogin"));
    EXPECT_FALSE(toggle->isChecked());
    QTest::mouseClick(toggle, Qt::LeftButton);
    EXPECT_TRUE(toggle->isChecked());
    EXPECT_TRUE(login.isEnabled());
    // Removed behind the window's back: switching off fails and shows the real state.
    QFile::remove(login.entryPath());
    QTest::mouseClick(toggle, Qt::LeftButton);
    EXPECT_FALSE(toggle->isChecked());
    EXPECT_EQ(f.log.lines.size(), 1);

    controller.window()->close();
    permission = true;
    open();
    EXPECT_TRUE(find(QStringLiteral("quitAndRelaunch"))->isHidden());
}

} // namespace

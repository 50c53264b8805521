#include "core/hotkeys/HotkeyAction.h"
#include "core/hotkeys/HotkeyCombo.h"
#include "core/hotkeys/HotkeyManager.h"
#include "core/hotkeys/HotkeyPreferences.h"
#include "fakes/GlobalHotkeysFake.h"
#include "fakes/UserDefaultsFake.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

// The settings file keeps each shortcut under "hotkey." and the action's raw value.
TEST(HotkeyAction, storedUnderExactKeysInDeclarationOrder) {
    const QStringList raw{QStringLiteral("captureArea"), QStringLiteral("captureWindow"),
                          QStringLiteral("captureFullScreen"), QStringLiteral("captureScrolling"),
                          QStringLiteral("togglePopover")};
    const auto& actions = hotkey_action::allCases();
    ASSERT_EQ(actions.size(), raw.size());
    for (int i = 0; i < raw.size(); ++i) {
        EXPECT_EQ(hotkey_action::defaultsKey(actions[i]), QStringLiteral("hotkey.") + raw[i]);
        EXPECT_EQ(hotkey_action::fromRawValue(raw[i]), actions[i]);
    }
    EXPECT_FALSE(hotkey_action::fromRawValue(QStringLiteral("CaptureArea")));
}

TEST(HotkeyCombo, displayString_isTheLinuxFormWithModifiersInFixedOrder) {
    EXPECT_EQ((HotkeyCombo{29, 0x1b00}.displayString()), QStringLiteral("Ctrl+Alt+Shift+Super+0"));
    EXPECT_EQ((HotkeyCombo{49, HotkeyCombo::command}.displayString()),
              QStringLiteral("Super+Space"));
    // Bits outside the four modifiers show nothing.
    EXPECT_EQ((HotkeyCombo{3, 0x1900 | 0x0400 | 0x1}.displayString()),
              QStringLiteral("Ctrl+Alt+Super+F"));
    EXPECT_EQ((HotkeyCombo{96, 0}.displayString()), QStringLiteral("F5"));
    EXPECT_EQ(HotkeyCombo::keyName(10), QStringLiteral("?"));
}

TEST(HotkeyCombo, storedForm_isCompactJsonThatDecodesToTheSameCombinationAndNothingElse) {
    const HotkeyCombo combo{13, 0x1900};
    EXPECT_EQ(combo.encoded(), QByteArray(R"({"keyCode":13,"modifiers":6400})"));
    EXPECT_EQ(HotkeyCombo::decoded(combo.encoded()), combo);
    const HotkeyCombo extremes{0xffffffffu, 0};
    EXPECT_EQ(HotkeyCombo::decoded(extremes.encoded()), extremes);
    EXPECT_EQ(HotkeyCombo::decoded(R"({"modifiers":256,"keyCode":1,"extra":"x"})"),
              (HotkeyCombo{1, 256}));
    // Missing members, wrong types and numbers out of range are refused.
    for (const QByteArray& bad : {
             QByteArray(R"({"keyCode":13})"),
             QByteArray(R"({"keyCode":"13","modifiers":6400})"),
             QByteArray(R"({"keyCode":13,"modifiers":null})"),
             QByteArray(R"({"keyCode":-1,"modifiers":6400})"),
             QByteArray(R"({"keyCode":4294967296,"modifiers":6400})"),
             QByteArray(R"({"keyCode":1.5,"modifiers":6400})"),
             QByteArray(R"([13,6400])"),
             QByteArray("not json"),
             QByteArray(),
         })
        EXPECT_FALSE(HotkeyCombo::decoded(bad)) << bad.constData();
}

TEST(HotkeyPreferences, unreadableStoredValues_fallBackToTheDefaultAndStayStored) {
    UserDefaultsFake defaults;
    HotkeyPreferences preferences{defaults};
    const QString key = QStringLiteral("hotkey.captureWindow");
    const HotkeyCombo fallback = HotkeyPreferences::defaultCombo(HotkeyAction::captureWindow);
    for (const QVariant& bad : {
             QVariant(QByteArray(R"({"keyCode":13})")),
             QVariant(QByteArray("garbage")),
             // A string holding valid JSON is still not a data value.
             QVariant(QStringLiteral(R"({"keyCode":5,"modifiers":256})")),
             QVariant(42),
         }) {
        defaults.setValue(key, bad);
        EXPECT_EQ(preferences.combo(HotkeyAction::captureWindow), fallback);
        EXPECT_EQ(defaults.m_values.value(key), bad);
    }
}

TEST(HotkeyPreferences,
     setCombo_storesDataThatReadsBack_resetRemovesOnlyShortcutsAndGivesTheDefaults) {
    UserDefaultsFake defaults;
    HotkeyPreferences preferences{defaults};
    const HotkeyCombo combo{6, HotkeyCombo::shift | HotkeyCombo::command};
    preferences.setCombo(combo, HotkeyAction::captureScrolling);
    const QVariant stored = defaults.m_values.value(QStringLiteral("hotkey.captureScrolling"));
    EXPECT_EQ(stored.typeId(), QMetaType::QByteArray);
    EXPECT_EQ(HotkeyCombo::decoded(stored.toByteArray()), combo);
    EXPECT_EQ(preferences.combo(HotkeyAction::captureScrolling), combo);
    EXPECT_EQ(preferences.combo(HotkeyAction::captureArea),
              HotkeyPreferences::defaultCombo(HotkeyAction::captureArea));

    for (HotkeyAction action : hotkey_action::allCases())
        preferences.setCombo({7, HotkeyCombo::control}, action);
    defaults.setValue(QStringLiteral("storageDirectoryPath"), QStringLiteral("/tmp/x"));
    preferences.resetToDefaults();
    // The defaults: Ctrl+Alt+Super with A, W, F, S and H.
    const quint32 keys[] = {0, 13, 3, 1, 4};
    for (int i = 0; i < hotkey_action::allCases().size(); ++i)
        EXPECT_EQ(preferences.combo(hotkey_action::allCases()[i]), (HotkeyCombo{keys[i], 0x1900}));
    EXPECT_EQ(defaults.m_values.keys(), QStringList{QStringLiteral("storageDirectoryPath")});
}

namespace {

const HotkeyCombo comboA{0, 0x1900};
const HotkeyCombo comboW{13, 0x1900};
const HotkeyCombo comboF{3, 0x1900};

class HotkeyManagerTest : public ::testing::Test {
protected:
    GlobalHotkeysFake system;
    HotkeyManager manager{system};
    QList<QString> fired;

    HotkeyManager::Handler record(const QString& name) {
        return [this, name] { fired.append(name); };
    }
};

} // namespace

TEST_F(HotkeyManagerTest,
       identifiersCountFromOneNeverReused_pressesRunOnALaterTurnUntilUnregistered) {
    system.refused.insert(comboW);
    EXPECT_EQ(manager.registerCombo(comboA, record(QStringLiteral("a"))), 1u);
    EXPECT_EQ(manager.registerCombo(comboW, record(QStringLiteral("w"))), std::nullopt);
    EXPECT_EQ(manager.registerCombo(comboF, record(QStringLiteral("f"))), 3u);
    // The same combination twice: the first keeps it, the second has none.
    EXPECT_EQ(manager.registerCombo(comboA, record(QStringLiteral("again"))), std::nullopt);
    // The handler runs in a later turn of the event loop.
    EXPECT_TRUE(system.press(comboA));
    EXPECT_TRUE(fired.isEmpty());
    QCoreApplication::processEvents();
    EXPECT_EQ(fired, QStringList{QStringLiteral("a")});

    // After unregistering, no former combination fires, even one already pressed.
    ASSERT_TRUE(system.press(comboF)); // queued, not yet run
    manager.unregisterAll();
    EXPECT_TRUE(system.held.isEmpty());
    EXPECT_FALSE(system.press(comboA));
    QCoreApplication::processEvents();
    EXPECT_EQ(fired, QStringList{QStringLiteral("a")});
    EXPECT_EQ(manager.registerCombo(comboA, record(QStringLiteral("a"))), 5u);
}

TEST_F(HotkeyManagerTest, handlerMayReRegisterEverythingFromInsideItsOwnCall) {
    int reRegistrations = 0;
    std::function<void()> reRegister = [&] {
        ++reRegistrations;
        manager.unregisterAll();
        manager.registerCombo(comboA, reRegister);
    };
    manager.registerCombo(comboA, reRegister);
    ASSERT_TRUE(system.press(comboA));
    QCoreApplication::processEvents();
    EXPECT_EQ(reRegistrations, 1);
    EXPECT_EQ(system.held.keys(), QList<quint32>{2});
}

// A combination without Ctrl, Alt or Super would steal ordinary typing from every program:
// it is never grabbed, and the actions around it keep theirs.
TEST_F(HotkeyManagerTest, plainKeysAndShiftedKeysAreNeverGrabbed) {
    const HotkeyCombo plainA{0, 0};
    const HotkeyCombo shiftA{0, HotkeyCombo::shift};
    const HotkeyCombo controlShiftA{0, HotkeyCombo::control | HotkeyCombo::shift};
    EXPECT_EQ(manager.registerCombo(plainA, [] {}), std::nullopt);
    EXPECT_EQ(manager.registerCombo(shiftA, [] {}), std::nullopt);
    EXPECT_EQ(manager.registerCombo(controlShiftA, [] {}), 3u);
    EXPECT_EQ(system.held.size(), 1);
    EXPECT_TRUE(HotkeyCombo({0, HotkeyCombo::command}).canBeGlobal());
}

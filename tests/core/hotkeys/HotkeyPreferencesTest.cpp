#include "core/hotkeys/HotkeyPreferences.h"
#include "fakes/UserDefaultsFake.h"

#include <gtest/gtest.h>

namespace {

class HotkeyPreferencesTest : public ::testing::Test {
protected:
    UserDefaultsFake defaults;
    HotkeyPreferences preferences{defaults};
};

} // namespace

TEST_F(HotkeyPreferencesTest, emptyStore_givesCtrlAltSuperWithAWFSH) {
    const quint32 keys[] = {0, 13, 3, 1, 4};
    const auto& actions = hotkey_action::allCases();
    for (int i = 0; i < actions.size(); ++i)
        EXPECT_EQ(preferences.combo(actions[i]), (HotkeyCombo{keys[i], 0x1900}));
}

TEST_F(HotkeyPreferencesTest, unreadableStoredValues_fallBackToTheDefaultAndStayStored) {
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

TEST_F(HotkeyPreferencesTest, setCombo_storesDataThatReadsBackAndResetRemovesOnlyShortcuts) {
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
    for (HotkeyAction action : hotkey_action::allCases())
        EXPECT_EQ(preferences.combo(action), HotkeyPreferences::defaultCombo(action));
    EXPECT_EQ(defaults.m_values.keys(), QStringList{QStringLiteral("storageDirectoryPath")});
}

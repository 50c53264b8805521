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

TEST_F(HotkeyPreferencesTest, emptyStore_givesControlOptionCommandWithAWFSH) {
    const quint32 keys[] = {0, 13, 3, 1, 4};
    const char* shown[] = {"Ctrl+Alt+Super+A", "Ctrl+Alt+Super+W", "Ctrl+Alt+Super+F",
                           "Ctrl+Alt+Super+S", "Ctrl+Alt+Super+H"};
    const auto& actions = hotkey_action::allCases();
    for (int i = 0; i < actions.size(); ++i) {
        const HotkeyCombo combo = preferences.combo(actions[i]);
        EXPECT_EQ(combo, (HotkeyCombo{keys[i], 0x1900}));
        EXPECT_EQ(combo.displayString(), QString::fromUtf8(shown[i]));
    }
}

TEST_F(HotkeyPreferencesTest, unreadableStoredValues_fallBackToTheDefaultAndStayStored) {
    const QString key = QStringLiteral("hotkey.captureWindow");
    const HotkeyCombo fallback = HotkeyPreferences::defaultCombo(HotkeyAction::captureWindow);
    for (const QVariant& bad : {
             QVariant(QByteArray(R"({"keyCode":13})")),
             QVariant(QByteArray(R"({"keyCode":"13","modifiers":256})")),
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

TEST_F(HotkeyPreferencesTest, setCombo_storesJsonDataThatReadsBack) {
    const HotkeyCombo combo{6, HotkeyCombo::shift | HotkeyCombo::command};
    preferences.setCombo(combo, HotkeyAction::captureScrolling);
    const QVariant stored = defaults.m_values.value(QStringLiteral("hotkey.captureScrolling"));
    EXPECT_EQ(stored.typeId(), QMetaType::QByteArray);
    EXPECT_EQ(stored.toByteArray(), QByteArray(R"({"keyCode":6,"modifiers":768})"));
    EXPECT_EQ(preferences.combo(HotkeyAction::captureScrolling), combo);
    // The other actions keep their defaults.
    EXPECT_EQ(preferences.combo(HotkeyAction::captureArea),
              HotkeyPreferences::defaultCombo(HotkeyAction::captureArea));
}

TEST_F(HotkeyPreferencesTest, resetToDefaults_removesEveryStoredShortcutOnly) {
    for (HotkeyAction action : hotkey_action::allCases())
        preferences.setCombo({7, HotkeyCombo::control}, action);
    defaults.setValue(QStringLiteral("storageDirectoryPath"), QStringLiteral("/tmp/x"));
    preferences.resetToDefaults();
    for (HotkeyAction action : hotkey_action::allCases())
        EXPECT_EQ(preferences.combo(action), HotkeyPreferences::defaultCombo(action));
    EXPECT_EQ(defaults.m_values.keys(), QStringList{QStringLiteral("storageDirectoryPath")});
}

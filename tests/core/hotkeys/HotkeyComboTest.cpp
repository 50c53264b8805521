#include "core/hotkeys/HotkeyCombo.h"
#include "core/hotkeys/HotkeyAction.h"

#include <gtest/gtest.h>

namespace {

QString text(const char* utf8) {
    return QString::fromUtf8(utf8);
}

} // namespace

TEST(HotkeyAction, rawValuesAndDefaultsKeysInDeclarationOrder) {
    const QStringList raw{QStringLiteral("captureArea"), QStringLiteral("captureWindow"),
                          QStringLiteral("captureFullScreen"), QStringLiteral("captureScrolling"),
                          QStringLiteral("togglePopover")};
    const auto& actions = hotkey_action::allCases();
    ASSERT_EQ(actions.size(), raw.size());
    for (int i = 0; i < raw.size(); ++i) {
        EXPECT_EQ(hotkey_action::rawValue(actions[i]), raw[i]);
        EXPECT_EQ(hotkey_action::defaultsKey(actions[i]), QStringLiteral("hotkey.") + raw[i]);
        EXPECT_EQ(hotkey_action::fromRawValue(raw[i]), actions[i]);
    }
    EXPECT_FALSE(hotkey_action::fromRawValue(QStringLiteral("CaptureArea")));
    EXPECT_FALSE(hotkey_action::fromRawValue(QStringLiteral("hotkey.captureArea")));
}

TEST(HotkeyCombo, displayString_isTheLinuxFormWithModifiersInFixedOrder) {
    EXPECT_EQ((HotkeyCombo{0, 0x1900}.displayString()), text("Ctrl+Alt+Super+A"));
    EXPECT_EQ((HotkeyCombo{6, HotkeyCombo::shift | HotkeyCombo::command}.displayString()),
              text("Shift+Super+Z"));
    EXPECT_EQ((HotkeyCombo{49, HotkeyCombo::command}.displayString()), text("Super+Space"));
    EXPECT_EQ((HotkeyCombo{29, 0x1b00}.displayString()), text("Ctrl+Alt+Shift+Super+0"));
    // Bits outside the four modifiers show nothing.
    EXPECT_EQ((HotkeyCombo{3, 0x1900 | 0x0400 | 0x1}.displayString()), text("Ctrl+Alt+Super+F"));
    EXPECT_EQ((HotkeyCombo{96, 0}.displayString()), text("F5"));
}

TEST(HotkeyCombo, keyName_isThePcKeyboardName) {
    const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ");
    const quint32 letterCodes[] = {0,  11, 8,  2,  14, 3, 5,  4,  34, 38, 40, 37, 46,
                                   45, 31, 35, 12, 15, 1, 17, 32, 9,  13, 7,  16, 6};
    for (int i = 0; i < 26; ++i)
        EXPECT_EQ(HotkeyCombo::keyName(letterCodes[i]), QString(letters[i]));
    const quint32 digitCodes[] = {29, 18, 19, 20, 21, 23, 22, 26, 28, 25};
    for (int digit = 0; digit < 10; ++digit)
        EXPECT_EQ(HotkeyCombo::keyName(digitCodes[digit]), QString::number(digit));
    EXPECT_EQ(HotkeyCombo::keyName(36), text("Return"));
    EXPECT_EQ(HotkeyCombo::keyName(123), text("Left"));
    EXPECT_EQ(HotkeyCombo::keyName(122), text("F1"));
    for (quint32 other : {10u, 52u, 0xffffffffu})
        EXPECT_EQ(HotkeyCombo::keyName(other), QStringLiteral("?"));
}

TEST(HotkeyCombo, storedForm_isCompactJsonThatDecodesToTheSameCombination) {
    const HotkeyCombo combo{13, 0x1900};
    EXPECT_EQ(combo.encoded(), QByteArray(R"({"keyCode":13,"modifiers":6400})"));
    EXPECT_EQ(HotkeyCombo::decoded(combo.encoded()), combo);
    const HotkeyCombo extremes{0xffffffffu, 0};
    EXPECT_EQ(HotkeyCombo::decoded(extremes.encoded()), extremes);
    EXPECT_EQ(HotkeyCombo::decoded(R"({"modifiers":256,"keyCode":1,"extra":"x"})"),
              (HotkeyCombo{1, 256}));
}

TEST(HotkeyCombo, decoded_refusesMissingMembersWrongTypesAndOutOfRangeNumbers) {
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

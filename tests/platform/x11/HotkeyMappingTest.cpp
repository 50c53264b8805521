#include "platform/x11/HotkeyMapping.h"
#include "core/hotkeys/HotkeyCombo.h"

#include <gtest/gtest.h>

using namespace hotkey_mapping;

TEST(HotkeyMapping, keysyms_coverLettersDigitsAndTheKeysAShortcutCanUse) {
    EXPECT_EQ(keysymForKeyCode(0), 0x61u);     // a
    EXPECT_EQ(keysymForKeyCode(3), 0x66u);     // f
    EXPECT_EQ(keysymForKeyCode(6), 0x7au);     // z
    EXPECT_EQ(keysymForKeyCode(29), 0x30u);    // 0
    EXPECT_EQ(keysymForKeyCode(25), 0x39u);    // 9
    EXPECT_EQ(keysymForKeyCode(49), 0x20u);    // space
    EXPECT_EQ(keysymForKeyCode(36), 0xff0du);  // Return
    EXPECT_EQ(keysymForKeyCode(48), 0xff09u);  // Tab
    EXPECT_EQ(keysymForKeyCode(53), 0xff1bu);  // Escape
    EXPECT_EQ(keysymForKeyCode(51), 0xff08u);  // BackSpace (the delete key)
    EXPECT_EQ(keysymForKeyCode(117), 0xffffu); // Delete (forward delete)
    EXPECT_EQ(keysymForKeyCode(122), 0xffbeu); // F1
    EXPECT_EQ(keysymForKeyCode(111), 0xffc9u); // F12
    EXPECT_EQ(keysymForKeyCode(123), 0xff51u); // Left
    EXPECT_EQ(keysymForKeyCode(126), 0xff52u); // Up
    EXPECT_EQ(keysymForKeyCode(44), 0x2fu);    // slash
    EXPECT_EQ(keysymForKeyCode(50), 0x60u);    // grave
    EXPECT_FALSE(keysymForKeyCode(10));        // the ISO key left of 1
    EXPECT_FALSE(keysymForKeyCode(1000));
    // Every key shown by name can be grabbed; a one-character name is its own keysym.
    for (quint32 code = 0; code < 128; ++code) {
        const QString name = HotkeyCombo::keyName(code);
        if (name == QStringLiteral("?"))
            continue;
        ASSERT_TRUE(keysymForKeyCode(code)) << code;
        if (name.size() == 1) {
            EXPECT_EQ(keysymForKeyCode(code), name.toLower().at(0).unicode()) << code;
        }
    }
}

TEST(HotkeyMapping, keysyms_ofFunctionNavigationAndKeypadKeys) {
    const std::pair<quint32, quint32> expected[] = {
        {122, 0xffbe}, {120, 0xffbf}, {99, 0xffc0},  {118, 0xffc1}, {96, 0xffc2},  // F1-F5
        {97, 0xffc3},  {98, 0xffc4},  {100, 0xffc5}, {101, 0xffc6}, {109, 0xffc7}, // F6-F10
        {103, 0xffc8}, {111, 0xffc9}, {105, 0xffca}, {107, 0xffcb}, {113, 0xffcc}, // F11-F15
        {106, 0xffcd}, {64, 0xffce},  {79, 0xffcf},  {80, 0xffd0},  {90, 0xffd1},  // F16-F20
        {114, 0xff63}, {115, 0xff50}, {119, 0xff57}, {116, 0xff55}, {121, 0xff56}, // Insert...
        {124, 0xff53}, {125, 0xff54},                                              // Right Down
        {24, 0x3d},    {27, 0x2d},    {30, 0x5d},    {33, 0x5b},    {39, 0x27},    // = - ] [ '
        {41, 0x3b},    {42, 0x5c},    {43, 0x2c},    {47, 0x2e},                   // ; \ , .
        {65, 0xffae},  {67, 0xffaa},  {69, 0xffab},  {75, 0xffaf},  {76, 0xff8d},  // keypad
        {78, 0xffad},  {81, 0xffbd},  {82, 0xffb0},  {83, 0xffb1},  {84, 0xffb2},  {85, 0xffb3},
        {86, 0xffb4},  {87, 0xffb5},  {88, 0xffb6},  {89, 0xffb7},  {91, 0xffb8},  {92, 0xffb9},
    };
    for (const auto& [keyCode, keysym] : expected)
        EXPECT_EQ(keysymForKeyCode(keyCode), keysym) << keyCode;
    // Modifier keys themselves and the keypad's Clear are no shortcut keys.
    for (quint32 none : {54u, 55u, 56u, 57u, 58u, 59u, 63u, 71u})
        EXPECT_FALSE(keysymForKeyCode(none)) << none;
}

TEST(HotkeyMapping, modifiers_commandIsSuperOptionIsAlt) {
    EXPECT_EQ(x11Modifiers(0x1900), controlMask | mod1Mask | mod4Mask);
    EXPECT_EQ(x11Modifiers(HotkeyCombo::shift | HotkeyCombo::command), shiftMask | mod4Mask);
    EXPECT_EQ(x11Modifiers(0), 0);
    EXPECT_EQ(x11Modifiers(0x0400 | 0x1), 0);
}

TEST(HotkeyMapping, lockVariants_addNumLockAndCapsLockToEveryKeycode) {
    const QList<KeyGrab> grabs = lockVariants({38, 90}, 0x4c, 0x10, lockMask);
    const QList<KeyGrab> expected{{38, 0x4c}, {38, 0x5c}, {38, 0x4e}, {38, 0x5e},
                                  {90, 0x4c}, {90, 0x5c}, {90, 0x4e}, {90, 0x5e}};
    EXPECT_EQ(grabs, expected);
    // No NumLock in the keymap: only CapsLock varies.
    EXPECT_EQ(lockVariants({38}, 0x4c, 0, lockMask), (QList<KeyGrab>{{38, 0x4c}, {38, 0x4e}}));
    // A combination that already holds CapsLock is not grabbed twice.
    EXPECT_EQ(lockVariants({38}, 0x02, 0, lockMask), (QList<KeyGrab>{{38, 0x02}}));
}

TEST(HotkeyMapping, grabAllOrNone_releasesWhatItTookWhenOneIsRefused) {
    const QList<KeyGrab> grabs = lockVariants({38}, 0x4c, 0x10, lockMask);
    QList<KeyGrab> held;
    const auto grab = [&](const KeyGrab& g) {
        if (g.modifiers == 0x4e) // CapsLock variant held by someone else
            return false;
        held.append(g);
        return true;
    };
    const auto release = [&](const KeyGrab& g) { held.removeOne(g); };
    EXPECT_FALSE(grabAllOrNone(grabs, grab, release));
    EXPECT_TRUE(held.isEmpty());

    EXPECT_TRUE(grabAllOrNone(lockVariants({38}, 0x4c, 0x10, 0), grab, release));
    EXPECT_EQ(held.size(), 2);
}

TEST(HotkeyMapping, keyCodeForKeysym_isTheInverseOfTheTable) {
    for (quint32 code = 0; code < 128; ++code) {
        if (const auto keysym = keysymForKeyCode(code)) {
            EXPECT_EQ(keyCodeForKeysym(*keysym), code) << code;
        }
    }
    EXPECT_EQ(keyCodeForKeysym(0x53), 1u);  // S, as Shift+S gives it
    EXPECT_FALSE(keyCodeForKeysym(0xffe3)); // Control_L
    EXPECT_FALSE(keyCodeForKeysym(0));
}

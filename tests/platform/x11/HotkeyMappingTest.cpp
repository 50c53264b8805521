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
    // Every key with a name has a keysym that is its lower-case letter or digit.
    for (quint32 code = 0; code < 128; ++code) {
        const QString name = HotkeyCombo::keyName(code);
        if (name == QStringLiteral("?"))
            continue;
        EXPECT_EQ(keysymForKeyCode(code), name.toLower().at(0).unicode()) << code;
    }
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

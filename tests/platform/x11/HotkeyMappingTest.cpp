#include "platform/x11/HotkeyMapping.h"
#include "core/hotkeys/HotkeyCombo.h"

#include <X11/keysym.h>
#include <gtest/gtest.h>

using namespace hotkey_mapping;

namespace {

// The keysym a key shown under `name` must grab.
std::optional<quint32> keysymNamed(const QString& name) {
    if (name.size() == 1) // letters, digits, punctuation: their own keysym
        return name.toLower().at(0).unicode();
    if (name.startsWith(u'F'))
        return XK_F1 + name.mid(1).toUInt() - 1;
    if (name.startsWith(QStringLiteral("Num ")) && name.back().isDigit())
        return XK_KP_0 + name.back().digitValue();
    // The other names, and their keysyms in the same order.
    static const QStringList names =
        QStringLiteral("Return,Tab,Space,Backspace,Esc,Delete,Insert,Home,End,PgUp,PgDown,Left,"
                       "Right,Down,Up,Num .,Num *,Num +,Num /,Num Enter,Num -,Num =")
            .split(u',');
    static const quint32 keysyms[] = {
        XK_Return,    XK_Tab,      XK_space,       XK_BackSpace,  XK_Escape,      XK_Delete,
        XK_Insert,    XK_Home,     XK_End,         XK_Page_Up,    XK_Page_Down,   XK_Left,
        XK_Right,     XK_Down,     XK_Up,          XK_KP_Decimal, XK_KP_Multiply, XK_KP_Add,
        XK_KP_Divide, XK_KP_Enter, XK_KP_Subtract, XK_KP_Equal};
    static_assert(std::size(keysyms) == 22);
    if (const qsizetype at = names.indexOf(name); at >= 0)
        return keysyms[at];
    return std::nullopt;
}

} // namespace

// What the user is shown is what gets grabbed, for every key code; keys without a name
// (modifier keys, the ISO key, the keypad's Clear) are no shortcut keys.
TEST(HotkeyMapping, everyNamedKeyGrabsTheKeysymOfItsNameAndNoOtherKeyGrabsAny) {
    for (quint32 code = 0; code < 256; ++code) {
        const QString name = HotkeyCombo::keyName(code);
        if (name == QStringLiteral("?")) {
            EXPECT_FALSE(keysymForKeyCode(code)) << code;
        } else {
            ASSERT_TRUE(keysymNamed(name)) << name.toStdString();
            EXPECT_EQ(keysymForKeyCode(code), keysymNamed(name)) << name.toStdString();
        }
    }
    EXPECT_FALSE(keysymForKeyCode(0xffffffffu));
    // And back.
    for (quint32 code = 0; code < 128; ++code) {
        if (const auto keysym = keysymForKeyCode(code)) {
            EXPECT_EQ(keyCodeForKeysym(*keysym), code) << code;
        }
    }
    EXPECT_EQ(keyCodeForKeysym(0x53), 1u);  // S, as Shift+S gives it
    EXPECT_FALSE(keyCodeForKeysym(0xffe3)); // Control_L
    EXPECT_FALSE(keyCodeForKeysym(0));
}

// Command is Super and option is Alt; every lock-key variant of every keycode is grabbed,
// or none is.
TEST(HotkeyMapping, modifiersAndLockVariants_grabbedAllOrNone) {
    EXPECT_EQ(x11Modifiers(0x1900), controlMask | mod1Mask | mod4Mask);
    EXPECT_EQ(x11Modifiers(HotkeyCombo::shift | HotkeyCombo::command), shiftMask | mod4Mask);
    EXPECT_EQ(x11Modifiers(0x0400 | 0x1), 0);
    const QList<KeyGrab> expected{{38, 0x4c}, {38, 0x5c}, {38, 0x4e}, {38, 0x5e},
                                  {90, 0x4c}, {90, 0x5c}, {90, 0x4e}, {90, 0x5e}};
    EXPECT_EQ(lockVariants({38, 90}, 0x4c, 0x10, lockMask), expected);
    // No NumLock in the keymap: only CapsLock varies.
    EXPECT_EQ(lockVariants({38}, 0x4c, 0, lockMask), (QList<KeyGrab>{{38, 0x4c}, {38, 0x4e}}));
    // A combination that already holds CapsLock is not grabbed twice.
    EXPECT_EQ(lockVariants({38}, 0x02, 0, lockMask), (QList<KeyGrab>{{38, 0x02}}));

    QList<KeyGrab> held;
    const auto grab = [&](const KeyGrab& g) {
        if (g.modifiers == 0x4e) // CapsLock variant held by someone else
            return false;
        held.append(g);
        return true;
    };
    const auto release = [&](const KeyGrab& g) { held.removeOne(g); };
    EXPECT_FALSE(grabAllOrNone(lockVariants({38}, 0x4c, 0x10, lockMask), grab, release));
    EXPECT_TRUE(held.isEmpty());
    EXPECT_TRUE(grabAllOrNone(lockVariants({38}, 0x4c, 0x10, 0), grab, release));
    EXPECT_EQ(held.size(), 2);
}

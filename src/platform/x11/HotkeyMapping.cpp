#include "platform/x11/HotkeyMapping.h"

#include "core/hotkeys/HotkeyCombo.h"

#include <X11/keysym.h>

namespace hotkey_mapping {

namespace {

struct KeyCodeSym {
    quint32 keyCode;
    quint32 keysym;
};

// Virtual key codes of the ANSI keyboard layout. 114 is Apple's Help key, which sits where
// PC keyboards have Insert.
constexpr KeyCodeSym table[] = {
    {0, XK_a},
    {1, XK_s},
    {2, XK_d},
    {3, XK_f},
    {4, XK_h},
    {5, XK_g},
    {6, XK_z},
    {7, XK_x},
    {8, XK_c},
    {9, XK_v},
    {11, XK_b},
    {12, XK_q},
    {13, XK_w},
    {14, XK_e},
    {15, XK_r},
    {16, XK_y},
    {17, XK_t},
    {18, XK_1},
    {19, XK_2},
    {20, XK_3},
    {21, XK_4},
    {22, XK_6},
    {23, XK_5},
    {24, XK_equal},
    {25, XK_9},
    {26, XK_7},
    {27, XK_minus},
    {28, XK_8},
    {29, XK_0},
    {30, XK_bracketright},
    {31, XK_o},
    {32, XK_u},
    {33, XK_bracketleft},
    {34, XK_i},
    {35, XK_p},
    {36, XK_Return},
    {37, XK_l},
    {38, XK_j},
    {39, XK_apostrophe},
    {40, XK_k},
    {41, XK_semicolon},
    {42, XK_backslash},
    {43, XK_comma},
    {44, XK_slash},
    {45, XK_n},
    {46, XK_m},
    {47, XK_period},
    {48, XK_Tab},
    {49, XK_space},
    {50, XK_grave},
    {51, XK_BackSpace},
    {53, XK_Escape},
    {64, XK_F17},
    {79, XK_F18},
    {80, XK_F19},
    {90, XK_F20},
    {96, XK_F5},
    {97, XK_F6},
    {98, XK_F7},
    {99, XK_F3},
    {100, XK_F8},
    {101, XK_F9},
    {103, XK_F11},
    {105, XK_F13},
    {106, XK_F16},
    {107, XK_F14},
    {109, XK_F10},
    {111, XK_F12},
    {113, XK_F15},
    {114, XK_Insert},
    {115, XK_Home},
    {116, XK_Page_Up},
    {117, XK_Delete},
    {118, XK_F4},
    {119, XK_End},
    {120, XK_F2},
    {121, XK_Page_Down},
    {122, XK_F1},
    {123, XK_Left},
    {124, XK_Right},
    {125, XK_Down},
    {126, XK_Up},
    // The numeric keypad.
    {65, XK_KP_Decimal},
    {67, XK_KP_Multiply},
    {69, XK_KP_Add},
    {75, XK_KP_Divide},
    {76, XK_KP_Enter},
    {78, XK_KP_Subtract},
    {81, XK_KP_Equal},
    {82, XK_KP_0},
    {83, XK_KP_1},
    {84, XK_KP_2},
    {85, XK_KP_3},
    {86, XK_KP_4},
    {87, XK_KP_5},
    {88, XK_KP_6},
    {89, XK_KP_7},
    {91, XK_KP_8},
    {92, XK_KP_9},
};

} // namespace

std::optional<quint32> keysymForKeyCode(quint32 keyCode) {
    for (const KeyCodeSym& entry : table) {
        if (entry.keyCode == keyCode)
            return entry.keysym;
    }
    return std::nullopt;
}

std::optional<quint32> keyCodeForKeysym(quint32 keysym) {
    if (keysym >= XK_A && keysym <= XK_Z)
        keysym += XK_a - XK_A;
    for (const KeyCodeSym& entry : table) {
        if (entry.keysym == keysym)
            return entry.keyCode;
    }
    return std::nullopt;
}

quint16 x11Modifiers(quint32 hotkeyModifiers) {
    quint16 mask = 0;
    if (hotkeyModifiers & HotkeyCombo::command)
        mask |= mod4Mask;
    if (hotkeyModifiers & HotkeyCombo::option)
        mask |= mod1Mask;
    if (hotkeyModifiers & HotkeyCombo::control)
        mask |= controlMask;
    if (hotkeyModifiers & HotkeyCombo::shift)
        mask |= shiftMask;
    return mask;
}

QList<KeyGrab> lockVariants(const QList<quint8>& keycodes, quint16 modifiers, quint16 numLockMask,
                            quint16 capsLockMask) {
    QList<quint16> extras{0};
    for (quint16 lock : {numLockMask, capsLockMask}) {
        if (lock == 0 || extras.contains(lock))
            continue;
        const QList<quint16> current = extras;
        for (quint16 extra : current)
            extras.append(extra | lock);
    }
    QList<KeyGrab> grabs;
    for (quint8 keycode : keycodes) {
        for (quint16 extra : extras) {
            const KeyGrab grab{keycode, static_cast<quint16>(modifiers | extra)};
            if (!grabs.contains(grab))
                grabs.append(grab);
        }
    }
    return grabs;
}

bool grabAllOrNone(const QList<KeyGrab>& grabs, const std::function<bool(const KeyGrab&)>& grab,
                   const std::function<void(const KeyGrab&)>& release) {
    for (qsizetype i = 0; i < grabs.size(); ++i) {
        if (grab(grabs[i]))
            continue;
        for (qsizetype j = 0; j < i; ++j)
            release(grabs[j]);
        return false;
    }
    return true;
}

} // namespace hotkey_mapping

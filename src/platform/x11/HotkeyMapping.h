#pragma once

#include <QList>
#include <QtGlobal>
#include <functional>
#include <optional>

// How a stored combination becomes X11 key grabs. Pure functions: no connection needed.
namespace hotkey_mapping {

// Core X modifier bits.
constexpr quint16 shiftMask = 0x01;
constexpr quint16 lockMask = 0x02;
constexpr quint16 controlMask = 0x04;
constexpr quint16 mod1Mask = 0x08;
constexpr quint16 mod4Mask = 0x40;

// The X keysym of an ANSI-layout virtual key code: letters, digits, function keys,
// space, return, tab, escape, both deletes, arrows, navigation keys, punctuation and the
// numeric keypad.
std::optional<quint32> keysymForKeyCode(quint32 keyCode);
// The inverse: the virtual key code stored for a key that produces `keysym`; upper-case
// letters count as their key.
std::optional<quint32> keyCodeForKeysym(quint32 keysym);

// Command → Mod4 (Super), option → Mod1 (Alt), control → Control, shift → Shift.
quint16 x11Modifiers(quint32 hotkeyModifiers);

struct KeyGrab {
    quint8 keycode = 0;
    quint16 modifiers = 0;
    friend bool operator==(const KeyGrab&, const KeyGrab&) = default;
};

// The grabs that make one combination fire whatever the lock keys' state: each keycode
// with the modifiers alone and with NumLock, CapsLock and both added. A lock mask that
// is 0 (no such key in the keymap) adds no variant.
QList<KeyGrab> lockVariants(const QList<quint8>& keycodes, quint16 modifiers, quint16 numLockMask,
                            quint16 capsLockMask);

// Takes every grab or none: on the first refusal, releases the ones already taken.
bool grabAllOrNone(const QList<KeyGrab>& grabs, const std::function<bool(const KeyGrab&)>& grab,
                   const std::function<void(const KeyGrab&)>& release);

} // namespace hotkey_mapping

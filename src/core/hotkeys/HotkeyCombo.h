#pragma once

#include <QByteArray>
#include <QHashFunctions>
#include <QString>
#include <QtGlobal>
#include <optional>

// A key combination: a virtual key code of the ANSI layout (A is 0, S is 1, ...) and a
// modifier mask in the classic hot-key bits. Both are stored as they are, so the
// preferences read the same on every platform.
struct HotkeyCombo {
    static constexpr quint32 command = 0x100;
    static constexpr quint32 shift = 0x200;
    static constexpr quint32 option = 0x800;
    static constexpr quint32 control = 0x1000;

    quint32 keyCode = 0;
    quint32 modifiers = 0;

    // A global hot key needs Ctrl, Alt or Super: a plain key, or Shift and a key, would be
    // taken from the typing of every program.
    bool canBeGlobal() const { return (modifiers & (control | option | command)) != 0; }

    // The Linux form: "Ctrl+Alt+Shift+Super+" (those present, in that order), then the key.
    QString displayString() const;
    // The key's name as PC keyboards print it ("A", "5", "Space", "F5", "Left"); "?" for a
    // key code outside the layout.
    static QString keyName(quint32 keyCode);

    // Compact JSON with the members "keyCode" and "modifiers".
    QByteArray encoded() const;
    // Needs both members, each a whole number in the unsigned 32-bit range; other
    // members are ignored.
    static std::optional<HotkeyCombo> decoded(const QByteArray& json);

    friend bool operator==(const HotkeyCombo&, const HotkeyCombo&) = default;
};

inline size_t qHash(const HotkeyCombo& combo, size_t seed = 0) {
    return qHashMulti(seed, combo.keyCode, combo.modifiers);
}

#pragma once

#include "core/hotkeys/HotkeyCombo.h"

#include <QList>

// Why a combination could not be taken as a global shortcut.
enum class HotkeyRefusal {
    // Another program holds it.
    inUse,
    // Another of Quillbox's own shortcuts has it.
    usedByQuillbox,
    // A key Quillbox has no name for ("?"): it cannot be mapped to a key of the keyboard.
    unknownKey,
    // Plain or Shift-only: as a global shortcut it would take the key from every program.
    needsModifier,
};

namespace hotkey_refusal {

// The reason for a combination the hot-key service has refused, `held` being the
// combinations Quillbox holds already.
HotkeyRefusal reasonFor(const HotkeyCombo& refused, const QList<HotkeyCombo>& held = {});

} // namespace hotkey_refusal

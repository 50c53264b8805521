#include "core/hotkeys/HotkeyRefusal.h"

namespace hotkey_refusal {

bool hasGlobalModifier(const HotkeyCombo& combo) {
    return (combo.modifiers &
            (HotkeyCombo::control | HotkeyCombo::option | HotkeyCombo::command)) != 0;
}

HotkeyRefusal reasonFor(const HotkeyCombo& refused) {
    return hasGlobalModifier(refused) ? HotkeyRefusal::inUse : HotkeyRefusal::needsModifier;
}

} // namespace hotkey_refusal

#include "core/hotkeys/HotkeyRefusal.h"

namespace hotkey_refusal {

HotkeyRefusal reasonFor(const HotkeyCombo& refused) {
    return refused.canBeGlobal() ? HotkeyRefusal::inUse : HotkeyRefusal::needsModifier;
}

} // namespace hotkey_refusal

#include "core/hotkeys/HotkeyRefusal.h"

namespace hotkey_refusal {

HotkeyRefusal reasonFor(const HotkeyCombo& refused, const QList<HotkeyCombo>& held) {
    if (!refused.canBeGlobal())
        return HotkeyRefusal::needsModifier;
    if (HotkeyCombo::keyName(refused.keyCode) == QStringLiteral("?"))
        return HotkeyRefusal::unknownKey;
    if (held.contains(refused))
        return HotkeyRefusal::usedByQuillbox;
    return HotkeyRefusal::inUse;
}

} // namespace hotkey_refusal

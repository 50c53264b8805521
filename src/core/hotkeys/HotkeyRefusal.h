#pragma once

#include "core/hotkeys/HotkeyCombo.h"

// Why a combination could not be taken as a global shortcut.
enum class HotkeyRefusal {
    // Another program holds it (or another of Quillbox's own shortcuts does).
    inUse,
    // Plain or Shift-only: as a global shortcut it would take the key from every program.
    needsModifier,
};

namespace hotkey_refusal {

// The reason for a combination the hot-key service has refused.
HotkeyRefusal reasonFor(const HotkeyCombo& refused);

} // namespace hotkey_refusal

#pragma once

#include "core/hotkeys/HotkeyAction.h"
#include "core/hotkeys/HotkeyCombo.h"

class UserDefaults;

// The stored shortcut of each action: JSON of its combination as a data value under the
// action's defaults key; an absent or unreadable value means the action's default.
class HotkeyPreferences {
public:
    explicit HotkeyPreferences(UserDefaults& defaults);

    // Control, option and command with A, W, F, S or H.
    static HotkeyCombo defaultCombo(HotkeyAction action);

    HotkeyCombo combo(HotkeyAction action) const;
    // Posts nothing: the caller re-registers the hot keys itself.
    void setCombo(const HotkeyCombo& combo, HotkeyAction action);
    void resetToDefaults();

private:
    UserDefaults& m_defaults;
};

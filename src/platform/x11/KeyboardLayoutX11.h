#pragma once

#include "core/services/KeyboardLayout.h"

// Reads the key's symbols from the X keymap: the unshifted one, so Shift+1 is the key 1,
// else the second level, so the keypad reads as its digits.
class KeyboardLayoutX11 : public KeyboardLayout {
public:
    std::optional<quint32> virtualKeyCode(const QKeyEvent& event) const override;
};

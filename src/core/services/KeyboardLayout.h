#pragma once

#include <QKeyEvent>
#include <optional>

// Which key of the keyboard a key event came from, as the virtual key code a stored
// shortcut uses (A is 0, S is 1, ...), whatever modifiers were held.
class KeyboardLayout {
public:
    virtual ~KeyboardLayout() = default;
    // Nothing for a key that has no virtual key code.
    virtual std::optional<quint32> virtualKeyCode(const QKeyEvent& event) const = 0;
};

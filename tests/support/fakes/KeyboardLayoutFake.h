#pragma once

#include "core/services/KeyboardLayout.h"

#include <QHash>

// Letters A, S, D and Escape by their Qt key, as a keymap would give them.
class KeyboardLayoutFake : public KeyboardLayout {
public:
    std::optional<quint32> virtualKeyCode(const QKeyEvent& event) const override {
        static const QHash<int, quint32> codes{
            {Qt::Key_A, 0}, {Qt::Key_S, 1}, {Qt::Key_D, 2}, {Qt::Key_Escape, 53}};
        const auto found = codes.constFind(event.key());
        if (found == codes.cend())
            return std::nullopt;
        return *found;
    }
};

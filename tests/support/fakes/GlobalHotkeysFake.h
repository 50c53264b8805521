#pragma once

#include "core/services/GlobalHotkeys.h"

#include <QHash>
#include <QSet>

// Holds combinations in memory; refuses the ones listed in `refused` and any combination
// already held. `press` plays the system's part when the user presses one.
class GlobalHotkeysFake : public GlobalHotkeys {
public:
    void setPressedHandler(PressedHandler handler) override { m_pressed = std::move(handler); }
    bool grab(quint32 id, const HotkeyCombo& combo) override {
        if (refused.contains(combo) || held.key(combo, 0) != 0)
            return false;
        held.insert(id, combo);
        return true;
    }
    void release(quint32 id) override { held.remove(id); }

    // True when a held combination was pressed (its handler is told its identifier).
    bool press(const HotkeyCombo& combo) {
        const quint32 id = held.key(combo, 0);
        if (id == 0 || !m_pressed)
            return false;
        m_pressed(id);
        return true;
    }

    QSet<HotkeyCombo> refused;
    QHash<quint32, HotkeyCombo> held;

private:
    PressedHandler m_pressed;
};

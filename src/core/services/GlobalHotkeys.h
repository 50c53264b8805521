#pragma once

#include "core/hotkeys/HotkeyCombo.h"

#include <QtGlobal>
#include <functional>

// System-wide key combinations, held under identifiers the caller chooses.
class GlobalHotkeys {
public:
    using PressedHandler = std::function<void(quint32 id)>;

    virtual ~GlobalHotkeys() = default;
    // Told, on the GUI thread, the identifier of each held combination the user presses.
    virtual void setPressedHandler(PressedHandler handler) = 0;
    // Takes the combination under `id`. False when the system refuses it; nothing of it
    // is held then.
    virtual bool grab(quint32 id, const HotkeyCombo& combo) = 0;
    virtual void release(quint32 id) = 0;
};

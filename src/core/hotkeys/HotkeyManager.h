#pragma once

#include "core/hotkeys/HotkeyCombo.h"

#include <QObject>
#include <functional>
#include <map>
#include <optional>

class GlobalHotkeys;

// The registered global shortcuts and their handlers. Identifiers count up from 1 and
// are never reused within a run; handlers run on the GUI thread, in a later turn of the
// event loop than the key press.
class HotkeyManager : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<void()>;

    explicit HotkeyManager(GlobalHotkeys& system, QObject* parent = nullptr);
    ~HotkeyManager() override;

    // `register` in the hot-key service's vocabulary; the word is taken in C++. Returns
    // nothing when the system refuses the combination, or when it lacks Ctrl, Alt and
    // Super (logged); its identifier is used up anyway.
    std::optional<quint32> registerCombo(const HotkeyCombo& combo, Handler handler);
    void unregisterAll();

    // Runs the handler registered under `id`; nothing when it was removed meanwhile.
    void fire(quint32 id);

private:
    GlobalHotkeys& m_system;
    std::map<quint32, Handler> m_registrations;
    quint32 m_nextID = 1;
};

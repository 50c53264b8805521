#include "core/hotkeys/HotkeyManager.h"

#include "core/services/GlobalHotkeys.h"

#include <QPointer>

HotkeyManager::HotkeyManager(GlobalHotkeys& system, QObject* parent)
    : QObject(parent)
    , m_system(system) {
    // The press is handed on to a later turn of the loop, so a handler that re-registers
    // every hot key never runs inside the platform's own event dispatch.
    m_system.setPressedHandler([guard = QPointer<HotkeyManager>(this)](quint32 id) {
        if (guard)
            QMetaObject::invokeMethod(
                guard, [guard, id] { guard->fire(id); }, Qt::QueuedConnection);
    });
}

HotkeyManager::~HotkeyManager() {
    unregisterAll();
    m_system.setPressedHandler({});
}

std::optional<quint32> HotkeyManager::registerCombo(const HotkeyCombo& combo, Handler handler) {
    const quint32 id = m_nextID++;
    if (!combo.canBeGlobal()) {
        qWarning("Quillbox: the hot key %s is not registered: without Ctrl, Alt or Super it "
                 "would take that key from every program",
                 qPrintable(combo.displayString()));
        return std::nullopt;
    }
    if (!m_system.grab(id, combo))
        return std::nullopt;
    m_registrations.emplace(id, std::move(handler));
    return id;
}

void HotkeyManager::unregisterAll() {
    for (const auto& registration : m_registrations)
        m_system.release(registration.first);
    m_registrations.clear();
}

void HotkeyManager::fire(quint32 id) {
    const auto found = m_registrations.find(id);
    if (found == m_registrations.end())
        return;
    // A copy: the handler may unregister everything, its own entry included.
    const Handler handler = found->second;
    if (handler)
        handler();
}

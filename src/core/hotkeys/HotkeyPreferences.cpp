#include "core/hotkeys/HotkeyPreferences.h"

#include "core/services/UserDefaults.h"

HotkeyPreferences::HotkeyPreferences(UserDefaults& defaults)
    : m_defaults(defaults) {}

HotkeyCombo HotkeyPreferences::defaultCombo(HotkeyAction action) {
    constexpr quint32 modifiers = HotkeyCombo::control | HotkeyCombo::option | HotkeyCombo::command;
    switch (action) {
    case HotkeyAction::captureArea:
        return {0, modifiers};
    case HotkeyAction::captureWindow:
        return {13, modifiers};
    case HotkeyAction::captureFullScreen:
        return {3, modifiers};
    case HotkeyAction::captureScrolling:
        return {1, modifiers};
    case HotkeyAction::togglePopover:
        return {4, modifiers};
    }
    Q_UNREACHABLE();
    return {};
}

HotkeyCombo HotkeyPreferences::combo(HotkeyAction action) const {
    const QVariant stored = m_defaults.value(hotkey_action::defaultsKey(action));
    // Only a data value counts: a string or number someone wrote by hand is not one.
    if (stored.typeId() != QMetaType::QByteArray)
        return defaultCombo(action);
    return HotkeyCombo::decoded(stored.toByteArray()).value_or(defaultCombo(action));
}

void HotkeyPreferences::setCombo(const HotkeyCombo& combo, HotkeyAction action) {
    m_defaults.setValue(hotkey_action::defaultsKey(action), combo.encoded());
}

void HotkeyPreferences::resetToDefaults() {
    for (HotkeyAction action : hotkey_action::allCases())
        m_defaults.remove(hotkey_action::defaultsKey(action));
}

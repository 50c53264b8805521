#pragma once

#include <QList>
#include <QString>
#include <optional>

// What a global shortcut does. The raw values name the stored preferences.
enum class HotkeyAction {
    captureArea,
    captureWindow,
    captureFullScreen,
    captureScrolling,
    togglePopover
};

namespace hotkey_action {

QString rawValue(HotkeyAction action);
// Exact, case-sensitive match of a raw value; anything else is no action.
std::optional<HotkeyAction> fromRawValue(const QString& rawValue);
// "hotkey." followed by the raw value.
QString defaultsKey(HotkeyAction action);
// Declaration order: the order of registration and of reset.
const QList<HotkeyAction>& allCases();

} // namespace hotkey_action

#pragma once

#include "core/library/ScreenshotKind.h"

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
// The kind of capture the action starts; none for togglePopover.
std::optional<ScreenshotKind> captureKind(HotkeyAction action);
// What the settings window and the tray menu call it: "Capture Area", … "Show History".
QString title(HotkeyAction action);
// Declaration order: the order of registration and of reset.
const QList<HotkeyAction>& allCases();

} // namespace hotkey_action

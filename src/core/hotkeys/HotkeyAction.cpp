#include "core/hotkeys/HotkeyAction.h"

namespace hotkey_action {

QString rawValue(HotkeyAction action) {
    switch (action) {
    case HotkeyAction::captureArea:
        return QStringLiteral("captureArea");
    case HotkeyAction::captureWindow:
        return QStringLiteral("captureWindow");
    case HotkeyAction::captureFullScreen:
        return QStringLiteral("captureFullScreen");
    case HotkeyAction::captureScrolling:
        return QStringLiteral("captureScrolling");
    case HotkeyAction::togglePopover:
        return QStringLiteral("togglePopover");
    }
    Q_UNREACHABLE();
    return {};
}

std::optional<HotkeyAction> fromRawValue(const QString& rawValue) {
    for (HotkeyAction action : allCases()) {
        if (hotkey_action::rawValue(action) == rawValue)
            return action;
    }
    return std::nullopt;
}

QString defaultsKey(HotkeyAction action) {
    return QStringLiteral("hotkey.") + rawValue(action);
}

const QList<HotkeyAction>& allCases() {
    static const QList<HotkeyAction> actions{
        HotkeyAction::captureArea, HotkeyAction::captureWindow, HotkeyAction::captureFullScreen,
        HotkeyAction::captureScrolling, HotkeyAction::togglePopover};
    return actions;
}

} // namespace hotkey_action

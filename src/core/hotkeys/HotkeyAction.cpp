#include "core/hotkeys/HotkeyAction.h"

#include "core/RawValues.h"

namespace hotkey_action {

namespace {

struct Entry {
    HotkeyAction value;
    const char* rawValue;
};

constexpr Entry entries[] = {
    {HotkeyAction::captureArea, "captureArea"},
    {HotkeyAction::captureWindow, "captureWindow"},
    {HotkeyAction::captureFullScreen, "captureFullScreen"},
    {HotkeyAction::captureScrolling, "captureScrolling"},
    {HotkeyAction::togglePopover, "togglePopover"},
};
static_assert(raw_values::inDeclarationOrder(entries));

} // namespace

QString rawValue(HotkeyAction action) {
    return raw_values::rawValue(entries, action);
}

std::optional<HotkeyAction> fromRawValue(const QString& rawValue) {
    return raw_values::fromRawValue(entries, rawValue);
}

QString defaultsKey(HotkeyAction action) {
    return QStringLiteral("hotkey.") + rawValue(action);
}

const QList<HotkeyAction>& allCases() {
    static const QList<HotkeyAction> actions = raw_values::allCases(entries);
    return actions;
}

} // namespace hotkey_action

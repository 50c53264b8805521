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

} // namespace

QUILLBOX_RAW_VALUE_FUNCTIONS(HotkeyAction)

QString defaultsKey(HotkeyAction action) {
    return QStringLiteral("hotkey.") + rawValue(action);
}

} // namespace hotkey_action

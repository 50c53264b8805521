#include "core/hotkeys/HotkeyAction.h"

#include "core/RawValues.h"

namespace hotkey_action {

namespace {

struct Entry {
    HotkeyAction value;
    const char* rawValue;
    std::optional<ScreenshotKind> kind;
    const char* title;
};

constexpr Entry entries[] = {
    {HotkeyAction::captureArea, "captureArea", ScreenshotKind::area, "Capture Area"},
    {HotkeyAction::captureWindow, "captureWindow", ScreenshotKind::window, "Capture Window"},
    {HotkeyAction::captureFullScreen, "captureFullScreen", ScreenshotKind::fullScreen,
     "Capture Full Screen"},
    {HotkeyAction::captureScrolling, "captureScrolling", ScreenshotKind::scrolling,
     "Capture Scrolling Page"},
    {HotkeyAction::togglePopover, "togglePopover", std::nullopt, "Show History"},
};

} // namespace

QUILLBOX_RAW_VALUE_FUNCTIONS(HotkeyAction)

QString defaultsKey(HotkeyAction action) {
    return QStringLiteral("hotkey.") + rawValue(action);
}

std::optional<ScreenshotKind> captureKind(HotkeyAction action) {
    return raw_values::entry(entries, action).kind;
}

QString title(HotkeyAction action) {
    return QString::fromUtf8(raw_values::entry(entries, action).title);
}

} // namespace hotkey_action

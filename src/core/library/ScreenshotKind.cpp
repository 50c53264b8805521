#include "core/library/ScreenshotKind.h"

#include "core/RawValues.h"

namespace screenshot_kind {

namespace {

struct Entry {
    ScreenshotKind value;
    const char* rawValue;
    const char* title;
    const char* symbol;
};

constexpr Entry entries[] = {
    {ScreenshotKind::area, "area", "Area", "rectangle.dashed"},
    {ScreenshotKind::window, "window", "Window", "macwindow"},
    {ScreenshotKind::fullScreen, "fullScreen", "Full Screen", "rectangle.inset.filled"},
    {ScreenshotKind::scrolling, "scrolling", "Scrolling", "scroll"},
};

} // namespace

QUILLBOX_RAW_VALUE_FUNCTIONS(ScreenshotKind)

QString title(ScreenshotKind kind) {
    return QString::fromLatin1(raw_values::entry(entries, kind).title);
}

QString symbol(ScreenshotKind kind) {
    return QString::fromLatin1(raw_values::entry(entries, kind).symbol);
}

} // namespace screenshot_kind

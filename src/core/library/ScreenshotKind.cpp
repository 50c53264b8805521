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
static_assert(raw_values::inDeclarationOrder(entries));

} // namespace

QString rawValue(ScreenshotKind kind) {
    return raw_values::rawValue(entries, kind);
}

std::optional<ScreenshotKind> fromRawValue(const QString& rawValue) {
    return raw_values::fromRawValue(entries, rawValue);
}

QString title(ScreenshotKind kind) {
    return QString::fromLatin1(raw_values::entry(entries, kind).title);
}

QString symbol(ScreenshotKind kind) {
    return QString::fromLatin1(raw_values::entry(entries, kind).symbol);
}

const QList<ScreenshotKind>& allCases() {
    static const QList<ScreenshotKind> kinds = raw_values::allCases(entries);
    return kinds;
}

} // namespace screenshot_kind

#include "core/library/ScreenshotKind.h"

namespace screenshot_kind {

QString rawValue(ScreenshotKind kind) {
    switch (kind) {
    case ScreenshotKind::area:
        return QStringLiteral("area");
    case ScreenshotKind::window:
        return QStringLiteral("window");
    case ScreenshotKind::fullScreen:
        return QStringLiteral("fullScreen");
    case ScreenshotKind::scrolling:
        return QStringLiteral("scrolling");
    }
    Q_UNREACHABLE();
    return {};
}

std::optional<ScreenshotKind> fromRawValue(const QString& rawValue) {
    for (ScreenshotKind kind : allCases()) {
        if (screenshot_kind::rawValue(kind) == rawValue)
            return kind;
    }
    return std::nullopt;
}

QString title(ScreenshotKind kind) {
    switch (kind) {
    case ScreenshotKind::area:
        return QStringLiteral("Area");
    case ScreenshotKind::window:
        return QStringLiteral("Window");
    case ScreenshotKind::fullScreen:
        return QStringLiteral("Full Screen");
    case ScreenshotKind::scrolling:
        return QStringLiteral("Scrolling");
    }
    Q_UNREACHABLE();
    return {};
}

QString symbol(ScreenshotKind kind) {
    switch (kind) {
    case ScreenshotKind::area:
        return QStringLiteral("rectangle.dashed");
    case ScreenshotKind::window:
        return QStringLiteral("macwindow");
    case ScreenshotKind::fullScreen:
        return QStringLiteral("rectangle.inset.filled");
    case ScreenshotKind::scrolling:
        return QStringLiteral("scroll");
    }
    Q_UNREACHABLE();
    return {};
}

const QList<ScreenshotKind>& allCases() {
    static const QList<ScreenshotKind> kinds{ScreenshotKind::area, ScreenshotKind::window,
                                             ScreenshotKind::fullScreen, ScreenshotKind::scrolling};
    return kinds;
}

} // namespace screenshot_kind

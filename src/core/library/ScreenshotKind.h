#pragma once

#include <QList>
#include <QString>
#include <optional>

// How a capture was made. The raw values are stored in the history file.
enum class ScreenshotKind { area, window, fullScreen, scrolling };

namespace screenshot_kind {

QString rawValue(ScreenshotKind kind);
// Exact, case-sensitive match of a raw value; anything else is no kind.
std::optional<ScreenshotKind> fromRawValue(const QString& rawValue);
QString title(ScreenshotKind kind);
QString symbol(ScreenshotKind kind);
const QList<ScreenshotKind>& allCases();

} // namespace screenshot_kind

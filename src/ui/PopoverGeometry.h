#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <optional>

// Size and place of the tray popover.
namespace popover_geometry {

constexpr int height = 260;

// The screen's visible width minus 40, within 720 to 1600; 1240 without a screen.
int width(std::optional<int> visibleScreenWidth);

// Top-left corner: centred under the tray icon (above it when the icon sits in the lower
// half of the screen), else at the top of the screen, centred; kept on the screen.
QPoint topLeft(const QSize& size, const QRect& trayIcon, const QRect& visibleScreen);

} // namespace popover_geometry

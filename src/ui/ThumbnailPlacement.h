#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <optional>

// Where the thumbnail card goes: the bottom-left corner of the usable area of the screen
// under the pointer, 16 points in.
namespace thumbnail_placement {

struct ScreenArea {
    QRect frame;
    QRect available;
};

constexpr int inset = 16;

// The card's top-left corner on the first screen whose frame holds `pointer`, else on
// `fallback` (the main screen); nothing without any screen.
std::optional<QPoint> topLeft(const QList<ScreenArea>& screens, QPoint pointer,
                              const std::optional<ScreenArea>& fallback, QSize card);

// The same for the application's screens and the current pointer.
std::optional<QPoint> topLeftOnScreens(QSize card);

} // namespace thumbnail_placement

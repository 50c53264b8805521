#pragma once

#include <QColor>
#include <QIcon>
#include <QPalette>
#include <QPixmap>
#include <QString>

// Symbolic icons come in one dark colour; these draw them in another.
namespace tinted_icon {

// The named symbol drawn in `color` at `size` device-independent pixels for a screen of
// `devicePixelRatio`.
QPixmap symbol(const QString& symbolName, int size, const QColor& color, qreal devicePixelRatio);

// Every size of `icon` with its pixels painted in `color`, keeping their alpha.
QIcon icon(const QIcon& symbolic, const QColor& color);

// The glyph colour for a symbol shown over `background`: light on dark, dark on light,
// taken from the palette's text and window colours.
QColor glyphColor(const QColor& background, const QPalette& palette);

} // namespace tinted_icon
